#include "skin/engine/acZLibEx.h"

#include <zlib.h>

#include <algorithm>

namespace parch {

namespace {

const char* const kInvalidZStreamOperation = "Invalid ZStream operation!";

std::string ZLibErrorText(int code) {
    switch (code) {
        case Z_NEED_DICT: return "need dictionary";
        case Z_STREAM_END: return "stream end";
        case Z_OK: return "";
        case Z_ERRNO: return "file error";
        case Z_STREAM_ERROR: return "stream error";
        case Z_DATA_ERROR: return "data error";
        case Z_MEM_ERROR: return "insufficient memory";
        case Z_BUF_ERROR: return "buffer error";
        case Z_VERSION_ERROR: return "incompatible version";
        default: return "zlib error";
    }
}

}  // namespace

EZLibError::EZLibError(int code) : Exception(ZLibErrorText(code)), code_(code) {}

struct TZDecompressionStream::ZState {
    z_stream stream{};
};

TZDecompressionStream::TZDecompressionStream(TStream& source)
    : source_(source), start_(source.GetPosition()), sourcePosition_(start_), z_(std::make_unique<ZState>()) {
    int result = inflateInit(&z_->stream);
    if (result != Z_OK) throw EZDecompressionError(result);
}

TZDecompressionStream::~TZDecompressionStream() { inflateEnd(&z_->stream); }

std::int64_t TZDecompressionStream::Read(void* buffer, std::int64_t count) {
    if (count <= 0 || finished_) return 0;
    z_stream& zs = z_->stream;
    std::int64_t produced = 0;
    while (produced < count && !finished_) {
        if (zs.avail_in == 0) {
            if (source_.GetPosition() != sourcePosition_) source_.SetPosition(sourcePosition_);
            std::int64_t got = source_.Read(input_.data(), static_cast<std::int64_t>(input_.size()));
            if (got <= 0) break;
            sourcePosition_ = source_.GetPosition();
            zs.next_in = input_.data();
            zs.avail_in = static_cast<uInt>(got);
        }
        uInt room = static_cast<uInt>(std::min<std::int64_t>(count - produced, 1 << 30));
        zs.next_out = static_cast<Bytef*>(buffer) + produced;
        zs.avail_out = room;
        int result = inflate(&zs, Z_NO_FLUSH);
        produced += room - zs.avail_out;
        if (result == Z_NEED_DICT) result = Z_DATA_ERROR;
        if (result < 0 && result != Z_BUF_ERROR) throw EZDecompressionError(result);
        if (result == Z_STREAM_END) {
            finished_ = true;
            // Give the unread input back so the source stands right after this stream.
            sourcePosition_ -= zs.avail_in;
            zs.avail_in = 0;
            source_.SetPosition(sourcePosition_);
        }
    }
    return produced;
}

std::int64_t TZDecompressionStream::Write(const void*, std::int64_t) {
    throw EZDecompressionError(Z_STREAM_ERROR, kInvalidZStreamOperation);
}

void TZDecompressionStream::SetSize(std::int64_t) {
    throw EZDecompressionError(Z_STREAM_ERROR, kInvalidZStreamOperation);
}

void TZDecompressionStream::Restart() {
    inflateReset(&z_->stream);
    z_->stream.avail_in = 0;
    finished_ = false;
    // The stream starts where it was opened, not at the source's first byte.
    sourcePosition_ = start_;
}

void TZDecompressionStream::SkipForward(std::int64_t count) {
    std::array<unsigned char, 8192> scratch{};
    while (count > 0) {
        std::int64_t got = Read(scratch.data(), std::min<std::int64_t>(count, scratch.size()));
        if (got <= 0) break;
        count -= got;
    }
}

std::int64_t TZDecompressionStream::Seek(std::int64_t offset, TSeekOrigin origin) {
    std::int64_t total = static_cast<std::int64_t>(z_->stream.total_out);
    if (origin == TSeekOrigin::soBeginning && offset == 0) {
        Restart();
    } else if (origin == TSeekOrigin::soCurrent && offset >= 0) {
        SkipForward(offset);
    } else if (origin == TSeekOrigin::soBeginning && offset >= total) {
        SkipForward(offset - total);
    } else if (origin == TSeekOrigin::soEnd && offset == 0) {
        while (!finished_) {
            std::int64_t before = static_cast<std::int64_t>(z_->stream.total_out);
            SkipForward(8192);
            if (static_cast<std::int64_t>(z_->stream.total_out) == before) break;
        }
    } else {
        throw EZDecompressionError(Z_STREAM_ERROR, kInvalidZStreamOperation);
    }
    return static_cast<std::int64_t>(z_->stream.total_out);
}

}  // namespace parch
