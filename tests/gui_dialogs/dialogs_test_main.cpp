// One program for the setup dialog tests; each file's test object runs in turn.

#include <QApplication>

namespace tm47 {
int RunLoggerSetupDialogTests(int argc, char** argv);
int RunSurveySetupDialogTests(int argc, char** argv);
int RunDisplayOptionsDialogTests(int argc, char** argv);
} // namespace tm47

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    int failed = 0;
    failed += tm47::RunLoggerSetupDialogTests(argc, argv);
    failed += tm47::RunSurveySetupDialogTests(argc, argv);
    failed += tm47::RunDisplayOptionsDialogTests(argc, argv);
    return failed == 0 ? 0 : 1;
}
