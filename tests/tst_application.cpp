// What the program sets up before its first window, checked in a process
// whose locale (C.UTF-8 under CTest) is not Chinese.

#include "shell/application.h"

#include <QApplication>
#include <QFontDatabase>
#include <QFontInfo>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>

class TestApplication : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QVERIFY(bilan::prepareApplication(*qApp)); }

    void standardButtonsSpeakChinese()
    {
        QMessageBox box;
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
        QVERIFY2(box.button(QMessageBox::Yes)->text().contains(QStringLiteral("是")),
                 qPrintable(box.button(QMessageBox::Yes)->text()));
        QVERIFY(box.button(QMessageBox::No)->text().contains(QStringLiteral("否")));
        QVERIFY(box.button(QMessageBox::Cancel)->text().contains(QStringLiteral("取消")));
    }

    void designFontsRenderWithAnInstalledChineseFace_data()
    {
        QTest::addColumn<QString>("family");
        for (const char16_t *name : {u"宋体", u"黑体", u"楷体", u"仿宋", u"SimSun", u"微软雅黑"})
            QTest::newRow(QString::fromUtf16(name).toUtf8()) << QString::fromUtf16(name);
    }

    void designFontsRenderWithAnInstalledChineseFace()
    {
        QFETCH(QString, family);
        const QFont font(family, 9);
        QCOMPARE(font.family(), family); // what the shared dialog and RTF see
        const QString face = QFontInfo(font).family();
        QVERIFY2(QFontDatabase::writingSystems(face).contains(QFontDatabase::SimplifiedChinese),
                 qPrintable(family + QLatin1String(" renders as ") + face));
    }
};

QTEST_MAIN(TestApplication)
#include "tst_application.moc"
