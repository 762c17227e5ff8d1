// The real program in demo mode: starts on the built-in simulator, identifies a device and shuts
// down cleanly, with every file in a temporary home of its own.
#include <QtTest>

#include <csignal>

#include <QDir>
#include <QProcess>
#include <QSettings>
#include <QTemporaryDir>

#include "app/logfile.h"

namespace {

QString programPath()
{
    return QCoreApplication::applicationDirPath() + QStringLiteral("/zevanta");
}

// The program's settings and data go to a home folder of the test's own.
QProcessEnvironment homeEnvironment(const QTemporaryDir& home)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("HOME", home.path());
    env.insert("XDG_CONFIG_HOME", home.filePath("config"));
    env.insert("XDG_DATA_HOME", home.filePath("data"));
    env.insert("QT_QPA_PLATFORM", "offscreen");
    return env;
}

}  // namespace

class TestDemo : public QObject {
    Q_OBJECT
private slots:
    void demoRunIdentifiesAndShutsDownCleanly()
    {
        const QString program = programPath();
        if (!QFile::exists(program))
            QSKIP("the zevanta program is not built");
        QTemporaryDir home;
        QProcessEnvironment env = homeEnvironment(home);

        const QString demoDir = home.filePath("data/Zevanta/demo");
        for (int run = 1; run <= 2; ++run) {
            if (run == 2) {
                // A demo device the user selected is kept, wherever on the bus it sits.
                QSettings ini(demoDir + "/zevanta.ini", QSettings::IniFormat);
                ini.setValue("Hardware/Device addr", 24);
            }
            QProcess p;
            p.setProcessEnvironment(env);
            p.start(program, {"--demo", "--quit-after-identify"});
            QVERIFY(p.waitForStarted());
            QVERIFY2(p.waitForFinished(60000), "the program did not end after identifying a device");
            const QString err = QString::fromLocal8Bit(p.readAllStandardError());
            QCOMPARE(p.exitStatus(), QProcess::NormalExit);
            QVERIFY2(p.exitCode() == 0, qPrintable(err));

            // Only the main thread of ours is left (Qt's idle pool workers may remain).
            const QRegularExpression threads("threads at exit: (.*)");
            const auto m = threads.match(err);
            QVERIFY2(m.hasMatch(), qPrintable(err));
            const QStringList names = m.captured(1).trimmed().split(',');
            QCOMPARE(names.count("zevanta"), 1);
            QVERIFY(!names.contains("presence"));

            QSettings ini(demoDir + "/zevanta.ini", QSettings::IniFormat);
            QVERIFY(ini.value("COM-port/Number").toInt() >= 97);
            QCOMPARE(ini.value("Hardware/Device addr").toInt(), run == 1 ? 4 : 24);
            QCOMPARE(ini.value("Form/Active Tab").toString(), QStringLiteral("tsDevice"));

            TLogFile log(demoDir);
            QVERIFY(log.LoadLog());
            QCOMPARE(int(log.Log.size()), 2 * run);
            QCOMPARE(log.Log.front().Text, QStringLiteral("Старт"));
            QCOMPARE(log.LastEvent().Text, QStringLiteral("Стоп"));
            QCOMPARE(log.LastEvent().typ, logInfo);
        }
        // The user's own settings and database were never touched.
        QVERIFY(!QFile::exists(home.filePath("config/zevanta.ini")));
        QVERIFY(!QFile::exists(home.filePath("data/Zevanta/Zevanta.db")));

        // --log prints the CP1251 log as UTF-8 with LF line ends, and needs no display.
        QProcessEnvironment terminal = env;
        terminal.insert("QT_QPA_PLATFORM", "xcb");
        terminal.remove("DISPLAY");
        terminal.remove("WAYLAND_DISPLAY");
        QProcess p;
        p.setProcessEnvironment(terminal);
        p.start(program, {"--demo", "--log"});
        QVERIFY(p.waitForFinished(30000));
        QCOMPARE(p.exitCode(), 0);
        const QByteArray out = p.readAllStandardOutput();
        QVERIFY(!out.contains('\r'));
        const QStringList lines = QString::fromUtf8(out).split('\n', Qt::SkipEmptyParts);
        QCOMPARE(lines.size(), 4);
        QVERIFY2(lines.first().startsWith("Info ") && lines.first().endsWith(" Старт"), qPrintable(lines.first()));
        QVERIFY2(lines.last().endsWith(" Стоп"), qPrintable(lines.last()));

        // --version and --help answer on the terminal too, before any window.
        for (const char* option : {"--version", "--help"}) {
            QProcess q;
            q.setProcessEnvironment(terminal);
            q.start(program, {QString::fromLatin1(option)});
            QVERIFY(q.waitForFinished(30000));
            QCOMPARE(q.exitCode(), 0);
            const QString text = QString::fromUtf8(q.readAllStandardOutput());
            QVERIFY2(text.startsWith(option == QByteArray("--version") ? "zevanta " : "вызов: zevanta"),
                     qPrintable(text));
        }
    }

    // A signal from the session or a terminal closes the program as its window's close button
    // does: settings written, presence stopped, "Стоп" logged, exit code 0.
    void signalClosesLikeTheWindow_data()
    {
        QTest::addColumn<int>("signal");
        QTest::newRow("SIGTERM") << int(SIGTERM);
        QTest::newRow("SIGINT") << int(SIGINT);
        QTest::newRow("SIGHUP") << int(SIGHUP);
    }
    void signalClosesLikeTheWindow()
    {
        QFETCH(int, signal);
        const QString program = programPath();
        if (!QFile::exists(program))
            QSKIP("the zevanta program is not built");
        QTemporaryDir home;
        QProcessEnvironment env = homeEnvironment(home);
        const QString demoDir = home.filePath("data/Zevanta/demo");

        QProcess p;
        p.setProcessEnvironment(env);
        p.start(program, {"--demo"});
        QVERIFY(p.waitForStarted());
        // "Старт" is logged by the main window; the handlers are in place before it.
        QTRY_VERIFY_WITH_TIMEOUT(QFile(demoDir + "/log.txt").size() > 0, 60000);
        ::kill(pid_t(p.processId()), signal);
        QVERIFY2(p.waitForFinished(30000), "the program did not end on the signal");
        QCOMPARE(p.exitStatus(), QProcess::NormalExit);
        QVERIFY2(p.exitCode() == 0, p.readAllStandardError().constData());

        QSettings ini(demoDir + "/zevanta.ini", QSettings::IniFormat);
        QCOMPARE(ini.value("Form/Active Tab").toString(), QStringLiteral("tsDevice"));
        TLogFile log(demoDir);
        QVERIFY(log.LoadLog());
        QCOMPARE(log.LastEvent().Text, QStringLiteral("Стоп"));
    }

    // A box in front does not hold a signal up. At start-up (a damaged database) the program
    // ends without its window; at exit (a settings file that cannot be written) the box is
    // logged and the closing goes on to its end.
    void signalEndsTheRunPastAnOpenBox_data()
    {
        QTest::addColumn<bool>("demo");
        QTest::addColumn<QString>("logged");  // the error the box showed
        QTest::newRow("damaged database at start-up") << false << QStringLiteral("повреждён");
        QTest::newRow("settings file at exit") << true << QStringLiteral("на месте файла находится папка");
    }
    void signalEndsTheRunPastAnOpenBox()
    {
        QFETCH(bool, demo);
        QFETCH(QString, logged);
        const QString program = QCoreApplication::applicationDirPath() + QStringLiteral("/zevanta");
        if (!QFile::exists(program))
            QSKIP("the zevanta program is not built");
        QTemporaryDir home;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("HOME", home.path());
        env.insert("XDG_CONFIG_HOME", home.filePath("config"));
        env.insert("XDG_DATA_HOME", home.filePath("data"));
        env.insert("QT_QPA_PLATFORM", "offscreen");
        const QString appData = home.filePath(demo ? "data/Zevanta/demo" : "data/Zevanta");
        QVERIFY(QDir().mkpath(appData));
        if (demo) {
            QVERIFY(QDir().mkpath(appData + "/zevanta.ini"));
        } else {
            QFile db(appData + "/Zevanta.db");
            QVERIFY(db.open(QIODevice::WriteOnly));
            db.write(QByteArray(4096, 'x'));
        }

        QProcess p;
        p.setProcessEnvironment(env);
        p.start(program, demo ? QStringList{"--demo"} : QStringList{});
        QVERIFY(p.waitForStarted());
        // The log as the program wrote it so far (read only: ReadText archives nothing).
        const auto logText = [&] { return TLogFile(appData).ReadText().value_or(QString()); };
        if (demo) {
            QTRY_VERIFY_WITH_TIMEOUT(logText().contains(QStringLiteral("Старт")), 60000);
            ::kill(pid_t(p.processId()), SIGTERM);  // the window closes and shows its box
        } else {
            // The error is logged just before its box shows.
            QTRY_VERIFY_WITH_TIMEOUT(logText().contains(logged), 60000);
            QTest::qWait(300);
            ::kill(pid_t(p.processId()), SIGHUP);
        }
        const bool ended = p.waitForFinished(30000);
        if (!ended)
            p.kill();
        QVERIFY2(ended, "the program waited for its box");
        QCOMPARE(p.exitStatus(), QProcess::NormalExit);
        QCOMPARE(p.exitCode(), 0);
        TLogFile log(appData);
        QVERIFY(log.LoadLog());
        QVERIFY2(logText().contains(logged), qPrintable(logText()));
        if (demo)
            QCOMPARE(log.LastEvent().Text, QStringLiteral("Стоп"));
    }
};

QTEST_MAIN(TestDemo)
#include "tst_demo.moc"
