// One running logger per device root: the guard in-process, and the real program started
// twice on one root.

#include <QLockFile>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include "app/single_instance_qt.h"

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

bool WaitForLock(const QString& root) {
    const QString ini = root + "/Storage/TALINI/TM47KVB.INI";
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < 10000) {
        if (QFile::exists(ini)) { // written once the window exists, after the lock
            return true;
        }
        QTest::qWait(50);
    }
    return false;
}

} // namespace

class SingleInstanceTest : public QObject {
    Q_OBJECT
private slots:
    void secondGuardOnOneFolderAsksTheFirstToTheFront() {
        QTemporaryDir dir;
        const std::filesystem::path folder = dir.path().toStdString() + "/Storage/TALINI";
        SingleInstance first(folder);
        QVERIFY(first.Acquire());
        QSignalSpy front(&first, &SingleInstance::activationRequested);
        SingleInstance second(folder);
        QVERIFY(!second.Acquire());
        QVERIFY(front.wait(3000));
    }

    void secondProgramExitsWithMinusOne() {
        QTemporaryDir root;
        QProcess* first = StartLogger(root.path(), this);
        QVERIFY(first->waitForStarted());
        QVERIFY(WaitForLock(root.path()));
        QProcess* second = StartLogger(root.path(), this);
        QVERIFY(second->waitForFinished(10000));
        QCOMPARE(second->exitStatus(), QProcess::NormalExit);
        QCOMPARE(second->exitCode(), 255); // -1
        QCOMPARE(first->state(), QProcess::Running);

        // A copy that died leaves a stale lock; the next start runs.
        first->kill();
        QVERIFY(first->waitForFinished(5000));
        QProcess* third = StartLogger(root.path(), this);
        QVERIFY(third->waitForStarted());
        QVERIFY2(!third->waitForFinished(2000),
                 qPrintable(QStringLiteral("the third copy ended with %1").arg(third->exitCode())));
        QCOMPARE(third->state(), QProcess::Running);
        third->terminate();
        QVERIFY(third->waitForFinished(5000));
    }
};

QTEST_MAIN(SingleInstanceTest)
#include "single_instance_test.moc"
