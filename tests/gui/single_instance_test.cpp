// One running logger per device root: the real program started twice on one root.

#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include "tests/gui/gui_support.h"

using namespace tm47;

namespace {

QProcess* StartLogger(const QString& root, QObject* parent) {
    auto* process = new QProcess(parent);
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    process->setProcessEnvironment(env);
    process->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process->start(QStringLiteral(TM47LOGGER_PATH), {QStringLiteral("--root"), root});
    return process;
}

// The settings file is written once the window exists, after the lock.
bool WaitForLock(const QString& root) {
    return testing::WaitFor([&] { return QFile::exists(root + "/Storage/TALINI/TM47KVB.INI"); });
}

} // namespace

class SingleInstanceTest : public QObject {
    Q_OBJECT
private slots:
    void secondProgramExitsWithMinusOne() {
        QTemporaryDir root;
        QProcess* first = StartLogger(root.path(), this);
        QVERIFY(first->waitForStarted());
        QVERIFY(WaitForLock(root.path()));
        QProcess* second = StartLogger(root.path(), this);
        QVERIFY(second->waitForFinished(testing::kWaitMs));
        QCOMPARE(second->exitStatus(), QProcess::NormalExit);
        QCOMPARE(second->exitCode(), 255); // -1
        QCOMPARE(first->state(), QProcess::Running);

        // A copy that died leaves a stale lock; the next start runs.
        first->kill();
        QVERIFY(first->waitForFinished(testing::kWaitMs));
        QProcess* third = StartLogger(root.path(), this);
        QVERIFY(third->waitForStarted());
        QVERIFY2(!third->waitForFinished(2000),
                 qPrintable(QStringLiteral("the third copy ended with %1").arg(third->exitCode())));
        QCOMPARE(third->state(), QProcess::Running);
        third->terminate();
        QVERIFY(third->waitForFinished(testing::kWaitMs));
    }
};

QTEST_MAIN(SingleInstanceTest)
#include "single_instance_test.moc"
