#include "app/RenderingWorker.h"

#include "app/MainWindow.h"

namespace parch {

TRenderingPageProcess::TRenderingPageProcess(TMainForm& form, std::string path, std::string password)
    : form_(form), path_(std::move(path)), password_(std::move(password)) {}

void TRenderingPageProcess::Execute() {
    DesktopShared& shared = form_.Shared();
    shared.IsRendering = true;
    try {
        Synchronize([this] { form_.ShowPreviewPage(path_, password_); });
    } catch (const std::exception&) {
        // The program is ending, or the page step failed after reporting what it could.
    }
    shared.IsRendering = false;
}

}  // namespace parch
