// The "Команды" tab against the simulated device: how the fields are read and rewritten, what
// is sent, the log lines, silence without a box, clearing, and the F9/F8 keys.
#include <QtTest>

#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTextEdit>

#include "memory/ui/consoletab.h"
#include "support/simwindow.h"

namespace {

QStringList logLines(const TConsoleTab& tab)
{
    return tab.MemoAnswer->toPlainText().split(QLatin1Char('\n'));
}

// What reached the device apart from presence's identification requests.
std::vector<zeva::sim::LoggedRequest> consoleRequests(const MemSim& sim)
{
    std::vector<zeva::sim::LoggedRequest> sent;
    for (const auto& r : sim.dev->requestLog())
        if (r.cmd != 113)
            sent.push_back(r);
    return sent;
}

}  // namespace

class TestConsole : public QObject {
    Q_OBJECT
private slots:
    void parseSendAndLog()
    {
        MemSim sim;
        TfrmMain& frm = sim.Open();
        TConsoleTab& tab = *frm.ConsoleTab;
        QCOMPARE(tab.parentWidget(), frm.tsCmd);
        QVERIFY(sim.WaitBootloader(frm));
        const std::vector<uint8_t> block = [] {
            std::vector<uint8_t> b(64);
            for (size_t i = 0; i < b.size(); ++i)
                b[i] = uint8_t(0xA0 + i);
            return b;
        }();
        sim.dev->writeFlash(0x800, block);

        struct Case {
            QString cmd, data;
            QString cmdShown, dataShown;
            uint8_t sentCmd;
            std::vector<uint8_t> sentData;
            QString request, answer;
        };
        QString blockText;
        for (uint8_t b : block)
            blockText += QStringLiteral(" %1").arg(b, 2, 16, QLatin1Char('0')).toUpper();
        const Case cases[] = {
            {"5", "", "05", "", 5, {}, "<-- 05", "--> OK"},
            {" ff ", "", "FF", "", 0xFF, {}, "<-- FF", "--> Error"},  // refused: no box either
            {"5", "1 2 3 4", "05", "1234", 5, {0x12, 0x34}, "<-- 05 -  12 34", "--> Error"},
            {"3", "08 00 40", "03", "080040", 3, {0x08, 0x00, 0x40}, "<-- 03 -  08 00 40", "-->" + blockText},
        };
        for (const Case& c : cases) {
            QVERIFY(sim.WaitBootloader(frm));  // every send starts with the controls off
            tab.EditCmd->setText(c.cmd);
            tab.EditData->setText(c.data);
            tab.btnClearAnswers->click();
            sim.dev->clearRequestLog();
            tab.btnSendData->click();
            QCOMPARE(tab.EditCmd->text(), c.cmdShown);
            QCOMPARE(tab.EditData->text(), c.dataShown);
            QVERIFY(!tab.EditCmd->property("invalid").toBool());
            QVERIFY(!tab.EditData->property("invalid").toBool());
            // Presence may have asked just before; the console's request is the only other one.
            const auto sent = consoleRequests(sim);
            QCOMPARE(int(sent.size()), 1);
            QCOMPARE(sent.front().cmd, c.sentCmd);
            QCOMPARE(sent.front().payload, c.sentData);
            const QStringList lines = logLines(tab);
            QCOMPARE(lines.size(), 3);
            QCOMPARE(lines[0], c.request);
            if (!c.answer.isEmpty())
                QCOMPARE(lines[1], c.answer);
            QCOMPARE(lines[2], QString());
        }

        // Anything but hexadecimal bytes is marked and nothing is sent: an empty command field
        // would otherwise be command 0, a reset.
        struct Bad {
            QString cmd, data;
            bool cmdBad, dataBad;
        };
        const Bad bad[] = {
            {"", "", true, false},     {"1FF", "", true, false}, {"G1", "", true, false},       {"-5", "", true, false},
            {"5", "ABC", false, true}, {"5", "ZZ", false, true}, {"5", "08 00 4", false, true}, {"", "0X", true, true},
        };
        for (const Bad& b : bad) {
            QVERIFY(sim.WaitBootloader(frm));
            tab.EditCmd->setText(b.cmd);
            tab.EditData->setText(b.data);
            tab.btnClearAnswers->click();
            sim.dev->clearRequestLog();
            tab.btnSendData->click();
            QTest::qWait(20);
            QCOMPARE(tab.EditCmd->property("invalid").toBool(), b.cmdBad);
            QCOMPARE(tab.EditData->property("invalid").toBool(), b.dataBad);
            QCOMPARE(tab.EditCmd->text(), b.cmd);  // left as typed, to be corrected
            QCOMPARE(tab.EditData->text(), b.data);
            QVERIFY(consoleRequests(sim).empty());
            QCOMPARE(tab.MemoAnswer->toPlainText(), QString());
        }
        QVERIFY(!tab.EditCmd->placeholderText().isEmpty());
        QVERIFY(!tab.EditData->placeholderText().isEmpty());
        QVERIFY(sim.boxes.boxes().empty());

        // The log grows; "Очистить" empties it without an exchange.
        QVERIFY(sim.WaitBootloader(frm));
        tab.EditCmd->setText("5");
        tab.EditData->clear();
        tab.btnSendData->click();
        QVERIFY(sim.WaitBootloader(frm));
        tab.btnSendData->click();
        QCOMPARE(logLines(tab), (QStringList{"<-- 05", "--> OK", "", "<-- 05", "--> OK", ""}));
        QVERIFY(sim.WaitBootloader(frm));
        sim.dev->clearRequestLog();
        tab.btnClearAnswers->click();
        QCOMPARE(tab.MemoAnswer->toPlainText(), QString());
        QTest::qWait(50);
        for (const auto& r : sim.dev->requestLog())
            QCOMPARE(r.cmd, uint8_t(113));  // only presence asked meanwhile
    }

    void silentDeviceLogsErrorWithoutABox()
    {
        MemSim sim;
        TfrmMain& frm = sim.Open();
        TConsoleTab& tab = *frm.ConsoleTab;
        QVERIFY(sim.WaitBootloader(frm));
        sim.shell.session.DevAddr = 0x55;  // nobody answers there
        frm.M_AllControls->trigger();
        tab.EditCmd->setText("5");
        tab.btnSendData->click();
        QCOMPARE(logLines(tab), (QStringList{"<-- 05", "--> Error", ""}));
        QVERIFY(sim.boxes.boxes().empty());
    }

    void keysF9AndF8OnTheTab()
    {
        MemSim sim;
        TfrmMain& frm = sim.Open();
        TConsoleTab& tab = *frm.ConsoleTab;
        frm.show();
        QVERIFY(QTest::qWaitForWindowActive(&frm));
        frm.PageControl->setCurrentWidget(frm.tsCmd);
        QVERIFY(sim.WaitBootloader(frm));
        tab.EditCmd->setText("5");
        QTest::keyClick(&frm, Qt::Key_F9);
        QCOMPARE(logLines(tab), (QStringList{"<-- 05", "--> OK", ""}));
        QVERIFY(sim.WaitBootloader(frm));
        QTest::keyClick(&frm, Qt::Key_F8, Qt::ShiftModifier);  // with a modifier: nothing
        QVERIFY(!tab.MemoAnswer->toPlainText().isEmpty());
        QTest::keyClick(&frm, Qt::Key_F8);
        QCOMPARE(tab.MemoAnswer->toPlainText(), QString());
    }
};

QTEST_MAIN(TestConsole)
#include "tst_console.moc"
