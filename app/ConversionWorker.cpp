#include "app/ConversionWorker.h"

#include "app/DesktopExtraction.h"
#include "app/MainWindow.h"
#include "base/SysUtils.h"
#include "cli/EngineSession.h"
#include "cli/ScratchFolder.h"
#include "platform/os/ShellExecute.h"

namespace parch {

void TConversionProcess::Execute() {
    DesktopShared& shared = form_.Shared();
    shared.IsExtracting = true;
    try {
        int checked = 0;
        OnGui([this, &checked] {
            for (int i = 0; i < form_.ItemCount(); ++i)
                if (form_.ItemValues(i).Checked) ++checked;
            form_.EnterBusyState(false, 2 * checked);
        });
        try {
            RunDocuments();
        } catch (const EThreadShutdown&) {
            throw;
        } catch (const std::exception& error) {
            Terminate();
            errorText_ = error.what();
            OnGui([this] { form_.Prompts().Message(errorText_, mtError, {mbOK}); });
        }
        shared.IsExtracting = false;
        OnGui([this] { form_.LeaveBusyState(); });
        if (!Terminated() && errorText_.empty()) {
            OnGui([this] {
                const std::string folder = Trim(form_.OutputFolderText());
                if (!folder.empty() && form_.OpenFolderWhenDone()) ShellExecute("open", folder);
            });
        }
    } catch (const EThreadShutdown&) {
    }
    shared.IsExtracting = false;
}

void TConversionProcess::RunDocuments() {
    const std::string programFolder = form_.Shared().AppFolder;
    // The engines stay while this run may start them; another run's engines and scratch
    // files are never touched.
    EngineSession engines(programFolder);
    // The image engine is produced while the first text pass runs.
    engines.PrepareMeanwhile("iextract");
    engines.Prepare({"textract"});
    const ScratchFolder scratch(programFolder);
    int passesDone = 0;
    int count = 0;
    OnGui([this, &count] { count = form_.ItemCount(); });
    for (int index = 0; index < count && !Terminated(); ++index) RunDocument(index, passesDone, scratch, engines);
    engines.Finish();
}

void TConversionProcess::RunDocument(int index, int& passesDone, const ScratchFolder& scratch,
                                     EngineSession& engines) {
    ListItemValues item;
    OnGui([this, index, &item] { item = form_.ItemValues(index); });
    if (!item.Checked) return;
    OnGui([this, index] { form_.ShowCurrentItem(index); });
    const std::string programFolder = form_.Shared().AppFolder;
    bool allSucceeded = true;
    bool anyRan = false;
    for (const bool textPass : {true, false}) {
        ++passesDone;
        const int done = passesDone;
        ExtractionOptions options;
        OnGui([this, done, &options] {
            form_.SetProgress(done);
            options = form_.ReadOptions();
        });
        if (!(textPass ? options.TextEnabled : options.ImagesEnabled) || Terminated()) continue;
        const RunParameters params = DesktopRunParameters(options, item.Job, textPass);
        if (!textPass) engines.AwaitPrepared();
        OnGui([this, &item] { form_.ShowStatusPath(item.Job.Path); });
        const PassOutcome outcome =
            RunExtractionPass(params, programFolder, scratch, *cancel_, [this] { return Terminated(); });
        anyRan = true;
        if (outcome.Succeeded) continue;
        allSucceeded = false;
        // A failure shows at once; the check stays for the next Start.
        OnGui([this, index, &item] { form_.SetItemStatus(index, StatusPicture(kPictureFailed, item.Job.Password), false); });
        if (options.StopOnError) {
            errorText_ = item.Job.Path + "\r\n\r\n" + outcome.Output;
            OnGui([this] { form_.Prompts().Message(errorText_, mtError, {mbOK}); });
            Terminate();
            return;
        }
    }
    if (anyRan && allSucceeded)
        OnGui([this, index, &item] { form_.SetItemStatus(index, StatusPicture(kPictureDone, item.Job.Password), true); });
}

}  // namespace parch
