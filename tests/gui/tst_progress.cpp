// The progress window: runs the transfer thread from its first activation, shows its progress,
// closes by itself at the end, and can be left early only through cancel (button or Esc).
#include <QtTest>

#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <thread>

#include "link/zeva16.h"
#include "memory/images.h"
#include "memory/ui/frmprogress.h"

namespace {

// A device that answers every FLASH read after a short pause.
class SlowDevice : public TTransferLink {
public:
    explicit SlowDevice(int delayMs) : FDelayMs(delayMs) {}
    TBlockResult Exchange(uint8_t cmd, std::span<const uint8_t>, std::span<const uint8_t>& answer) override
    {
        ++SendPackets;  // as PutCMD counts its frames
        std::this_thread::sleep_for(std::chrono::milliseconds(FDelayMs));
        ++exchanges;
        answer = cmd == 3 ? std::span<const uint8_t>(FBlock) : std::span<const uint8_t>();
        return brOk;
    }
    std::atomic<int> exchanges{0};

private:
    int FDelayMs;
    uint8_t FBlock[64] = {};
};

TTransferJob readJob(TMemoryImage& flash)
{
    TTransferJob job;
    job.Kind = tkReadFLASH;
    job.RegionStart = 0xC00;
    job.RegionEnd = 0x8000;  // 464 blocks
    job.FlashBuf = flash.Span();
    return job;
}

}  // namespace

class TestProgress : public QObject {
    Q_OBJECT
private slots:
    void runsToTheEndAndClosesWithOK()
    {
        QWidget main;
        main.setWindowTitle(QStringLiteral("Zevanta"));
        TMemoryImage flash;
        SlowDevice dev(0);
        TProgressThread thread(dev, readJob(flash));
        TfrmProgress dlg(thread, &main);
        QCOMPARE(dlg.windowTitle(), QStringLiteral("Чтение FLASH"));
        QCOMPARE(dlg.lbProcent->text(), QStringLiteral("0%"));
        QCOMPARE(dlg.lbRate->text(), QStringLiteral("00.00 KB/s"));
        QCOMPARE(dlg.btnClose->text(), QStringLiteral("Отмена"));
        QVERIFY(!dlg.Timer->isActive());
        QVERIFY(!thread.Started());
        QCOMPARE(dlg.exec(), int(QDialog::Accepted));
        QVERIFY(thread.Finished());
        QCOMPARE(dev.exchanges.load(), 464);
        QCOMPARE(thread.Result().Outcome, TTransferOutcome::Done);
        QCOMPARE(dlg.lbProcent->text(), QStringLiteral("100%"));
        QCOMPARE(dlg.PB->value(), 0x8000 / 64 - 1);
        QCOMPARE(dlg.lbSendPackets->text(), QStringLiteral("464"));
        QCOMPARE(dlg.lbBadPackets->text(), QStringLiteral("0"));
        // Redraws coalesce while the main thread is busy, but the window did show the run.
        QVERIFY(dlg.ProgressStats().calls >= 1);
        QVERIFY(dlg.ProgressStats().calls <= 465);
        QCOMPARE(main.windowTitle(), QStringLiteral("Zevanta"));
    }

    void cancelStopsTheLoopAndNothingElseClosesTheWindow_data()
    {
        QTest::addColumn<bool>("escape");
        QTest::newRow("button") << false;
        QTest::newRow("Esc") << true;
    }
    void cancelStopsTheLoopAndNothingElseClosesTheWindow()
    {
        QFETCH(bool, escape);
        QWidget main;
        main.setWindowTitle(QStringLiteral("Zevanta"));
        TMemoryImage flash;
        SlowDevice dev(3);
        TProgressThread thread(dev, readJob(flash));
        TfrmProgress dlg(thread, &main);
        QString titleDuring;
        bool stillOpen = false;
        QTimer::singleShot(150, &dlg, [&] {
            titleDuring = main.windowTitle();
            // Alt+F4 and a close request are swallowed while the thread runs.
            QTest::keyClick(&dlg, Qt::Key_F4, Qt::AltModifier);
            dlg.close();
            stillOpen = dlg.isVisible() && !thread.Finished();
            if (escape)
                QTest::keyClick(&dlg, Qt::Key_Escape);
            else
                dlg.btnClose->click();
        });
        QCOMPARE(dlg.exec(), int(QDialog::Rejected));
        QVERIFY(stillOpen);
        QVERIFY(titleDuring.startsWith(QStringLiteral("Zevanta (")) && titleDuring.endsWith(QStringLiteral("%)")));
        QVERIFY(thread.Finished());
        QCOMPARE(thread.Result().Outcome, TTransferOutcome::Cancelled);
        QCOMPARE(thread.Result().FailAddr, -1);
        QVERIFY(dev.exchanges.load() > 0 && dev.exchanges.load() < 464);
        QCOMPARE(main.windowTitle(), QStringLiteral("Zevanta"));
    }
};

QTEST_MAIN(TestProgress)
#include "tst_progress.moc"
