#include "survey/create_data_file_dialog.h"

#include "config/settings_file.h"
#include "platform/dialog_frame_qt.h"
#include "survey/data_file_naming.h"

#include <QFileDialog>
#include <QStringList>

#include <cstdio>

namespace tm47 {

std::string ChooseSaveFileWithQt(const SaveFileRequest& request, QWidget* parent) {
    QFileDialog dialog(parent, request.title, request.folder);
    dialog.setObjectName(QStringLiteral("CreateDataFileDialog"));
    // No overwrite question: the caller refuses existing names with its own warning.
    dialog.setOptions(QFileDialog::DontUseNativeDialog | QFileDialog::DontConfirmOverwrite);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setNameFilters(QStringList{request.filter});
    dialog.setDefaultSuffix(request.defaultSuffix);
    dialog.selectFile(request.presetName);
    if (RunModal(dialog) != QDialog::Accepted) {
        return {};
    }
    const QStringList chosen = dialog.selectedFiles();
    return chosen.isEmpty() ? std::string() : chosen.front().toStdString();
}

bool RunCreateDataFile(SurveyDialogContext& ctx, LogSession& session, const HeaderOffsets& header,
                       const std::array<float, 4>& previousOffsets, QWidget* parent,
                       const SaveFileChooser& chooser) {
    for (;;) {
        // A fresh proposal each round, so a refused name is followed by the next free one.
        SaveFileRequest request;
        request.title = QLatin1String(kCreateDataFileTitle);
        request.presetName = QString::fromStdString(
            ProposeDataFileName(ctx.root, ctx.settings.dataStorage, ctx.records.clock.Local()));
        request.folder =
            QString::fromStdString(DataFolder(ctx.root, ctx.settings.dataStorage).string());
        request.filter = QLatin1String(kDataFileFilter);
        request.defaultSuffix = QLatin1String(kDataFileExtension);

        // The dialog; cancel changes nothing more.
        if (ctx.inputPanel) {
            ctx.inputPanel(true);
        }
        std::string path = chooser(request, parent);
        if (ctx.inputPanel) {
            ctx.inputPanel(false);
        }
        if (path.empty()) {
            return false;
        }

        // The switches, and the settings saved whether or not one was typed.
        ApplyNameSwitches(path, ctx.settings.writeTestFile);
        SaveSettings(ctx.settings, ctx.root);

        // An existing name is refused; the dialog comes back with a new proposal.
        if (DataFileExists(path)) {
            ctx.messages.Show(kExistsWarningCaption, kExistsWarningText, MessageIcon::Exclamation,
                              MessageButtons::Ok);
            continue;
        }

        // 8-10. Create new (never over an existing file) and write the opening records.
        std::string error;
        const auto result = CreateDataFile(ctx.records, path, header, previousOffsets, &error);
        switch (result) {
        case DataFile::CreateResult::Created:
            session.state = SessionState::StandBy;
            return true;
        case DataFile::CreateResult::Exists:
            // Appeared between the check and the creation: refused like any existing name.
            ctx.messages.Show(kExistsWarningCaption, kExistsWarningText, MessageIcon::Exclamation,
                              MessageButtons::Ok);
            continue;
        case DataFile::CreateResult::Failed:
            std::fprintf(stderr, "survey: creating data file %s failed: %s\n", path.c_str(),
                         error.c_str());
            ctx.messages.Show(kCreateFailedCaption, std::string(kCreateFailedText) + "\n" + error,
                              MessageIcon::Stop, MessageButtons::Ok);
            return false;
        }
        return false;
    }
}

bool AnnounceTestFile(LogSession& session, const Settings& settings, MessageSink& messages) {
    if (settings.writeTestFile == session.testFileAnnounced) {
        return false;
    }
    session.testFileAnnounced = settings.writeTestFile;
    messages.Show(kTestFileCaption,
                  settings.writeTestFile == 1 ? kTestFileEnabledText : kTestFileDisabledText,
                  MessageIcon::Information, MessageButtons::Ok);
    return true;
}

} // namespace tm47
