#pragma once
// Pillow as a peer that times itself: one long-lived /usr/bin/python3 process runs a setup
// script once (reading its input files, building its images), then, asked by name over a pipe,
// runs one of the operations the script defines and answers the seconds time.perf_counter()
// measured around it. The interpreter's start, the pipe and the setup are never counted.
//
// The script receives the files as sys.argv[1:] and defines a dict `operations` of callables.
#include <benchmark/benchmark.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <functional>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "PeerComparison.h"

namespace parch::bench {

class PillowPeer {
public:
    PillowPeer(const std::string& setup, const std::vector<std::string>& files) {
        const std::string script = setup +
                                   "\nimport sys as _sys, time as _time\n"
                                   "print('ready', flush=True)\n"
                                   "for _line in _sys.stdin:\n"
                                   "    _operation = operations[_line.strip()]\n"
                                   "    _start = _time.perf_counter()\n"
                                   "    _operation()\n"
                                   "    print(repr(_time.perf_counter() - _start), flush=True)\n";
        std::vector<std::string> words = {"python3", "-c", script};
        words.insert(words.end(), files.begin(), files.end());
        std::signal(SIGPIPE, SIG_IGN);  // a python3 that died shows as a failed reply
        int toChild[2], fromChild[2];
        if (::pipe(toChild) != 0) throw std::runtime_error("no pipe for python3");
        if (::pipe(fromChild) != 0) {
            ::close(toChild[0]);
            ::close(toChild[1]);
            throw std::runtime_error("no pipe for python3");
        }
        child_ = ::fork();
        if (child_ == 0) {
            ::dup2(toChild[0], 0);
            ::dup2(fromChild[1], 1);
            ::close(toChild[1]);
            ::close(fromChild[0]);
            std::vector<char*> argv;
            for (std::string& word : words) argv.push_back(word.data());
            argv.push_back(nullptr);
            ::execv("/usr/bin/python3", argv.data());
            ::_exit(127);
        }
        ::close(toChild[0]);
        ::close(fromChild[1]);
        requests_ = ::fdopen(toChild[1], "w");
        replies_ = ::fdopen(fromChild[0], "r");
        if (child_ < 0) throw std::runtime_error("cannot start python3");
        if (ReadLine() != "ready") throw std::runtime_error("python3 with Pillow did not start");
    }

    ~PillowPeer() {
        if (requests_) std::fclose(requests_);
        if (replies_) std::fclose(replies_);
        if (child_ > 0) ::waitpid(child_, nullptr, 0);
    }

    PillowPeer(const PillowPeer&) = delete;
    PillowPeer& operator=(const PillowPeer&) = delete;

    // The seconds Pillow measured for one run of the operation.
    double Seconds(const std::string& operation) {
        std::fprintf(requests_, "%s\n", operation.c_str());
        std::fflush(requests_);
        const std::string reply = ReadLine();
        char* end = nullptr;
        const double seconds = std::strtod(reply.c_str(), &end);
        if (reply.empty() || *end != '\0') throw std::runtime_error("Pillow answered: " + reply);
        return seconds;
    }

private:
    std::string ReadLine() {
        std::string line;
        for (int c; (c = std::fgetc(replies_)) != EOF && c != '\n';) line.push_back(static_cast<char>(c));
        return line;
    }

    pid_t child_ = -1;
    std::FILE* requests_ = nullptr;
    std::FILE* replies_ = nullptr;
};

// CompareWithPeers with Pillow's operation as one more peer ("Pillow"), timing itself.
inline void CompareWithPeersAndPillow(benchmark::State& state, const std::function<void()>& ours,
                                      const std::vector<Peer>& peers, PillowPeer& pillow, const std::string& operation) {
    const SelfTimedPeer pillowSide{"Pillow", [&] { return pillow.Seconds(operation); }};
    CompareWithPeers(state, ours, peers, &pillowSide);
}

}  // namespace parch::bench
