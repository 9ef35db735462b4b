#include "app/ReadingWorker.h"

#include "app/DocumentFiles.h"
#include "app/MainWindow.h"
#include "base/SysUtils.h"
#include "pdf/core/Scrivlet0813.h"
#include "pdf/core/ScrivletUnicode.h"

#include <cmath>

namespace parch {

namespace {

std::string DamagedWarning(const std::string& path) {
    return path + "\r\n\r\nCouldn't read PDF header info!\r\nProbably this file is damaged!";
}

std::string PasswordPrompt(const std::string& path) {
    return path + "\r\n\r\nThis PDF is password protected! Please enter the password:\r\n";
}

}  // namespace

TReadingPDFsProcess::TReadingPDFsProcess(TMainForm& form, std::vector<std::string> paths)
    : form_(form), paths_(std::move(paths)) {}

void TReadingPDFsProcess::Execute() {
    DesktopShared& shared = form_.Shared();
    shared.IsReading = true;
    try {
        Synchronize([this] { form_.EnterBusyState(true, 100); });
        for (std::size_t i = 0; i < paths_.size(); ++i) {
            if (Terminated()) break;
            ReadDocument(static_cast<int>(i), paths_[i]);
        }
    } catch (const EThreadShutdown&) {
        shared.IsReading = false;
        return;
    } catch (const std::exception& error) {
        const std::string message = error.what();
        try {
            Synchronize([this, message] { form_.Prompts().Message(message, mtError, {mbOK}); });
        } catch (const EThreadShutdown&) {
        }
    }
    try {
        Synchronize([this] { form_.LeaveBusyState(); });
    } catch (const EThreadShutdown&) {
    }
    shared.IsReading = false;
}

void TReadingPDFsProcess::ReadDocument(int index, const std::string& path) {
    if (!IsPdfDocument(path)) return;
    const int percent = static_cast<int>(std::lround((index + 1) * 100.0 / static_cast<double>(paths_.size())));
    Synchronize([this, percent, &path] {
        form_.SetProgress(percent);
        form_.ShowStatusPath(path);
    });
    const std::optional<std::uint64_t> size = DocumentSize(path);
    if (!size) return;
    const std::string sizeText = SizeText(*size);
    std::string password;
    for (;;) {
        const int code = LoadDocument(path, password);
        if (code == kScrivletOk) break;
        if (code == kScrivletUnreadable || code == kScrivletUnsupportedEncryption) {
            Synchronize([this, &path] { form_.Prompts().Message(DamagedWarning(path), mtWarning, {mbOK}); });
            return;
        }
        if (code != kScrivletPasswordNeeded) return;
        bool confirmed = false;
        Synchronize([this, &path, &password, &confirmed] {
            if (!Trim(password).empty())
                form_.Prompts().Message("Wrong password, please try it again!", mtError, {mbOK});
            password.clear();
            confirmed = form_.Prompts().AskPassword("Password needed", PasswordPrompt(path), password);
        });
        if (!confirmed || Trim(password).empty()) return;
    }
    const int pages = pageCount_;
    Synchronize([this, &path, pages, &sizeText, &password] { form_.AddDocumentItem(path, pages, sizeText, password); });
}

int TReadingPDFsProcess::LoadDocument(const std::string& path, const std::string& password) {
    int code = kScrivletUnreadable;
    Synchronize([this, &path, &password, &code] {
        TScrivlet0813 pdf;
        pdf.OpenPdfFile(path, Utf8ToWide(password));
        code = pdf.ErrorCode();
        pageCount_ = code == kScrivletOk ? pdf.CountPages() : 0;
    });
    return code;
}

}  // namespace parch
