// One program for the survey dialog tests; each file's test object runs in turn.

#include <QApplication>

namespace tm47 {
int RunSurveyDialogsTests(int argc, char** argv);
int RunCreateDataFileTests(int argc, char** argv);
} // namespace tm47

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    int failed = 0;
    failed += tm47::RunSurveyDialogsTests(argc, argv);
    failed += tm47::RunCreateDataFileTests(argc, argv);
    return failed == 0 ? 0 : 1;
}
