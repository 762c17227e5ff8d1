// The "Изображение" tab against a simulated controller with a 128 × 64 LCD and external memory:
// files in and out, the two layouts, the device's memory both ways, the screenshot, bad input.
#include <QtTest>

#include <sys/stat.h>

#include <QComboBox>
#include <QFileDialog>
#include <QLineEdit>
#include <QPushButton>

#include <QAbstractButton>
#include "base/messages.h"

#include "memory/lcdbitmap.h"
#include "memory/ui/extmemtab.h"
#include "memory/ui/filedialogs.h"
#include "memory/ui/imagetab.h"
#include "sim/lcddevice.h"
#include "support/simwindow.h"

using zeva::sim::LcdDevice;

namespace {

lcd::TPicture Diagonal(lcd::TSize s)
{
    lcd::TPicture p(s);
    for (int i = 0; i < std::min(s.W, s.H); ++i)
        p.Set(i, i, true);
    p.Set(9, 0, true);
    return p;
}

QString Saved(const QTemporaryDir& dir, const QString& name, const lcd::TPicture& p)
{
    QString error;
    const QString path = dir.filePath(name);
    if (!lcd::SaveBitmap(path, p, error))
        qFatal("cannot write %s", qPrintable(path));
    return path;
}

std::vector<uint8_t> Bytes(const TMemoryImage& image, uint32_t at, uint32_t n)
{
    return {image.Data() + at, image.Data() + at + n};
}

}  // namespace

class TestImageTab : public QObject {
    Q_OBJECT
private slots:
    void filesLayoutsAndHeader()
    {
        PanelSim<LcdDevice> sim;
        TfrmMain& frm = sim.Open();
        TImageTab& tab = *frm.findChild<TImageTab*>();
        QTemporaryDir dir;
        tab.ImageSize->setCurrentIndex(1);  // 128 x 64
        tab.edtImageAddr->setText(QStringLiteral("100"));
        const lcd::TPicture picture = Diagonal({128, 64});

        sim.dialogs.push(Saved(dir, "pic.bmp", picture));
        tab.btnOpenImageFile->click();
        QVERIFY(tab.Picture() == picture);
        QVERIFY(sim.boxes.boxes().empty());
        // Packed by rows at the address: pixel (9, 0) is bit 6 of byte 1.
        QCOMPARE(int(frm.ExtMemBuf[101]) & 0x40, 0x40);
        QCOMPARE(Bytes(frm.ExtMemBuf, 100, 1024), lcd::Pack(picture, lcd::lyRows));
        QCOMPARE(int(frm.ExtMemBuf[99]), 0xFF);

        // Another layout repacks the same picture; the screen does not change.
        const QImage shown = tab.PaintBox->Image();
        tab.Razvertka->Buttons()[1]->click();
        QCOMPARE(Bytes(frm.ExtMemBuf, 100, 1024), lcd::Pack(picture, lcd::lyColumns));
        QCOMPARE(tab.PaintBox->Image(), shown);
        QCOMPARE(shown.pixelColor(9, 0), QColor(Qt::black));
        QCOMPARE(shown.pixelColor(10, 0), QColor(Qt::white));

        // A damaged file or one that is no file at all (a FIFO would hang the window): message,
        // picture unchanged, and what is shown is packed again.
        QFile bad(dir.filePath("bad.bmp"));
        QVERIFY(bad.open(QIODevice::WriteOnly));
        bad.write(lcd::BitmapBytes(picture).left(200));
        bad.close();
        const QString fifo = dir.filePath("fifo.bmp");
        QCOMPARE(mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
        frm.ExtMemBuf.Fill(0xFF);
        for (const QString& path : {bad.fileName(), fifo}) {
            sim.boxes.clear();
            sim.dialogs.push(path);
            tab.btnOpenImageFile->click();
            QCOMPARE(sim.boxes.texts(), QStringList{Msg::LcdCannotOpenFile});
            QCOMPARE(sim.boxes.boxes()[0].kind, QStringLiteral("error"));
            QVERIFY(tab.Picture() == picture);
            QCOMPARE(Bytes(frm.ExtMemBuf, 100, 1024), lcd::Pack(picture, lcd::lyColumns));
        }

        // A smaller picture fills the top-left corner; the rest is background.
        lcd::TPicture small({96, 48});
        for (int y = 0; y < 48; ++y)
            for (int x = 0; x < 96; ++x)
                small.Set(x, y, true);
        sim.boxes.clear();
        sim.dialogs.push(Saved(dir, "small.bmp", small));
        tab.btnOpenImageFile->click();
        QVERIFY(sim.boxes.boxes().empty());
        lcd::TPicture corner({128, 64});
        for (int y = 0; y < 48; ++y)
            for (int x = 0; x < 96; ++x)
                corner.Set(x, y, true);
        QVERIFY(tab.Picture() == corner);
        QCOMPARE(Bytes(frm.ExtMemBuf, 100, 1024), lcd::Pack(corner, lcd::lyColumns));
        sim.dialogs.push(Saved(dir, "back.bmp", picture));
        tab.btnOpenImageFile->click();
        QVERIFY(tab.Picture() == picture);

        // The C header holds the picture in the layout chosen.
        sim.dialogs.push(dir.filePath("splash.h"), 2);
        tab.btnSaveImageFile->click();
        QFile h(dir.filePath("splash.h"));
        QVERIFY(h.open(QIODevice::ReadOnly));
        const auto packed = lcd::Pack(picture, lcd::lyColumns);
        QCOMPARE(h.readAll(), lcd::HeaderText(packed));
        // BMP out and in again.
        sim.dialogs.push(dir.filePath("out.bmp"), 1);
        tab.btnSaveImageFile->click();
        lcd::TPicture back({128, 64});
        QVERIFY(lcd::LoadBitmap(dir.filePath("out.bmp"), {128, 64}, back));
        QVERIFY(back == picture);
    }

    void deviceMemoryAndScreenshot()
    {
        PanelSim<LcdDevice> sim;
        TfrmMain& frm = sim.Open();
        TImageTab& tab = *frm.findChild<TImageTab*>();
        QVERIFY(sim.WaitEnabled(tab.btnSaveImage));
        QTemporaryDir dir;
        tab.ImageSize->setCurrentIndex(0);  // 96 x 64
        tab.edtImageAddr->setText(QStringLiteral("512"));
        const lcd::TPicture picture = Diagonal({96, 64});
        sim.dialogs.push(Saved(dir, "pic.bmp", picture));
        tab.btnOpenImageFile->click();

        // "Очистить..." clears the screen only: the device still gets the packed picture.
        sim.boxes.answer(true);
        tab.btnClearImage->click();
        QVERIFY(tab.Picture() == lcd::TPicture({96, 64}));
        sim.boxes.answer(true);  // "Сохранить изображение?"
        tab.btnSaveImage->click();
        QCOMPARE(sim.dev->readExt(512, 768), lcd::Pack(picture, lcd::lyRows));
        QVERIFY(frm.StatusLineText().endsWith(QStringLiteral("  Запись изображения завершена")));

        // "Чтение" shows what the device holds.
        lcd::TPicture other({96, 64});
        other.Set(95, 63, true);
        sim.dev->writeExt(512, lcd::Pack(other, lcd::lyRows));
        QVERIFY(sim.WaitEnabled(tab.btnLoadImage));
        tab.btnLoadImage->click();
        QVERIFY(tab.Picture() == other);
        QVERIFY(frm.StatusLineText().endsWith(QStringLiteral("  Чтение изображения завершено")));

        // A whole read on the "Ext Mem" tab redraws the picture too.
        sim.dev->writeExt(512, lcd::Pack(picture, lcd::lyRows));
        QVERIFY(sim.WaitEnabled(frm.ExtMemTab->btnReadExtMem));
        frm.ExtMemTab->btnReadExtMem->click();
        QVERIFY(tab.Picture() == picture);

        // A screenshot needs the 128 x 64 size: nothing is asked otherwise.
        QVERIFY(sim.WaitEnabled(tab.btnReadScreenshot));
        tab.btnReadScreenshot->click();
        QVERIFY(sim.Requests(203).empty());
        tab.ImageSize->setCurrentIndex(1);
        tab.Razvertka->Buttons()[1]->click();
        sim.dev->setPixel(9, 10, true);
        const auto screen = sim.dev->screen();
        QVERIFY(sim.WaitEnabled(tab.btnReadScreenshot));
        tab.btnReadScreenshot->click();
        QCOMPARE(int(sim.Requests(203).size()), 8);
        QVERIFY(tab.Picture() == lcd::Unpack({128, 64}, lcd::lyColumns, screen));
        QVERIFY(tab.Picture().Lit(9, 10));
        QVERIFY(sim.shell.session.PresenceRunning());
        // A refused page is drawn blank and reported; the other pages still come.
        sim.dev->addFault({zeva::sim::FaultKind::Refuse, 203, 0, 1});
        sim.boxes.clear();
        QVERIFY(sim.WaitEnabled(tab.btnReadScreenshot));
        tab.btnReadScreenshot->click();
        QCOMPARE(sim.boxes.texts(), QStringList{Msg::CommandNotAccepted});
        QVERIFY(!tab.Picture().Lit(0, 0));
        QVERIFY(tab.Picture().Lit(0, 63));
        QVERIFY(sim.shell.session.PresenceRunning());
    }

    void addressMustLeaveRoom()
    {
        PanelSim<LcdDevice> sim;
        TfrmMain& frm = sim.Open();
        TImageTab& tab = *frm.findChild<TImageTab*>();
        QVERIFY(sim.WaitEnabled(tab.btnSaveImage));
        tab.ImageSize->setCurrentIndex(4);  // 9600 bytes
        struct Case {
            QString addr;
            QPushButton* button;
        };
        // The device has 32 KiB of external memory; the image 256 KiB.
        for (const Case& c :
             {Case{"32000", tab.btnSaveImage}, Case{"32000", tab.btnLoadImage}, Case{"300000", tab.btnSaveImage}}) {
            sim.boxes.clear();
            tab.edtImageAddr->setText(c.addr);
            sim.boxes.answer(true);
            c.button->click();
            QCOMPARE(sim.boxes.texts(), QStringList{Msg::LcdImageDoesNotFit.arg(c.addr)});
        }
        QVERIFY(sim.Requests(18).empty());
        QVERIFY(sim.Requests(17).empty());
        // Packing past the end of the image is refused the same way, and nothing is written.
        frm.ExtMemBuf.Fill(0xAB);
        tab.edtImageAddr->setText(QStringLiteral("260000"));
        sim.boxes.clear();
        tab.Razvertka->Buttons()[1]->click();
        QCOMPARE(sim.boxes.texts(), QStringList{Msg::LcdImageDoesNotFit.arg(260000)});
        QCOMPARE(int(frm.ExtMemBuf[TMemoryImage::kSize - 1]), 0xAB);
        // The address field is read by the panels' number rule and written back in decimal.
        const std::pair<const char*, const char*> addrs[] = {{"12abc", "0"}, {"$100", "256"}, {"0x1F", "31"},
                                                             {"300", "300"}, {"-5", "0"},     {"$", "0"}};
        for (const auto& [typed, shown] : addrs) {
            tab.edtImageAddr->setText(QString::fromLatin1(typed));
            tab.edtImageAddrExit();
            QCOMPARE(tab.edtImageAddr->text(), QString::fromLatin1(shown));
        }
    }

    // "Image size", "Razvertka" and "Image Addr" are read at start and written at exit. The layout
    // restored at start does not repack ExtMemBuf; stored values outside the lists give the first item.
    void settingsComeBackAtStart_data()
    {
        QTest::addColumn<QStringList>("stored");  // size, layout, address; empty: nothing stored
        QTest::addColumn<int>("size");
        QTest::addColumn<int>("layout");
        QTest::addColumn<QString>("addr");
        QTest::newRow("first run") << QStringList{} << 0 << 0 << "0";
        QTest::newRow("stored") << QStringList{"3", "1", "4096"} << 3 << 1 << "4096";
        QTest::newRow("outside the lists") << QStringList{"5", "2", "-3"} << 0 << 0 << "0";
    }
    void settingsComeBackAtStart()
    {
        QFETCH(QStringList, stored);
        QFETCH(int, size);
        QFETCH(int, layout);
        QFETCH(QString, addr);
        MessageRecorder boxes;
        ShellFixture f;
        const char* names[] = {"Form/Image size", "Form/Razvertka", "Form/Image Addr"};
        for (int i = 0; i < stored.size(); ++i)
            f.store->setValue(QLatin1String(names[i]), stored[i]);
        TImageTab* tab = f.Open().findChild<TImageTab*>();
        QCOMPARE(tab->ImageSize->currentIndex(), size);
        QCOMPARE(tab->Size(), lcd::kSizes[size]);
        QCOMPARE(tab->Razvertka->ItemIndex(), layout);
        QCOMPARE(tab->edtImageAddr->text(), addr);
        QCOMPARE(int(f.Frm().ExtMemBuf[tab->ImageAddr()]), 0xFF);

        // What the user chose goes back at exit.
        tab->ImageSize->setCurrentIndex(2);
        tab->Razvertka->Buttons()[layout == 0 ? 1 : 0]->click();
        tab->edtImageAddr->setText(QStringLiteral("512"));
        tab = f.Reopen().findChild<TImageTab*>();
        QCOMPARE(tab->ImageSize->currentIndex(), 2);
        QCOMPARE(tab->Razvertka->ItemIndex(), layout == 0 ? 1 : 0);
        QCOMPARE(tab->edtImageAddr->text(), QStringLiteral("512"));
        QCOMPARE(f.store->value(QStringLiteral("Form/Image Addr")).toString(), QStringLiteral("512"));
    }

    // The real save dialog: a name typed without suffix gets the chosen type's, ".bmp" unless
    // the C header was chosen.
    // A name typed without a suffix gets the chosen type's (the save dialog's default suffix), so
    // a picture saved as "pic" is pic.bmp, never pic.hex. Checked on the suffix the dialog is given:
    // driving Qt's own dialog offscreen hung under load.
    void bareNameGetsTheTypesSuffix_data()
    {
        QTest::addColumn<QString>("filter");
        QTest::addColumn<int>("type");  // 1-based, as the tabs count their file types
        QTest::addColumn<QString>("suffix");
        QTest::newRow("picture") << Msg::LcdSaveFilter << 1 << "bmp";
        QTest::newRow("C header") << Msg::LcdSaveFilter << 2 << "h";
        QTest::newRow("no type chosen") << Msg::LcdSaveFilter << 0 << "bmp";
        QTest::newRow("all files take the first type's") << QStringLiteral("A (*.bin);;Все файлы (*.*)") << 2 << "bin";
    }
    void bareNameGetsTheTypesSuffix()
    {
        QFETCH(QString, filter);
        QFETCH(int, type);
        QFETCH(QString, suffix);
        QCOMPARE(FileDialogs::DefaultSuffix(filter, type), suffix);
    }
};

QTEST_MAIN(TestImageTab)
#include "tst_imagetab.moc"
