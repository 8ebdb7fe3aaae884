// The shared dialog's filter strings, and how they reach Qt's file dialog.

#include "platform/filefilter.h"
#include "platform/qtdialogs.h"

#include "shell/application.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileSystemModel>
#include <QTemporaryDir>
#include <QMessageBox>
#include <QTest>
#include <QTimer>

using namespace bilan;

class TestCommonDialog : public QObject
{
    Q_OBJECT

private slots:
    // Qt's own texts in Chinese, as the program has them.
    void initTestCase() { QVERIFY(prepareApplication(*qApp)); }

    void parsesFilters_data()
    {
        QTest::addColumn<QString>("filter");
        QTest::addColumn<QStringList>("entries"); // description, pattern, …
        QTest::newRow("trailing bar adds nothing") << "rtf文件(*.rtf)|*.rtf|" << QStringList{"rtf文件(*.rtf)", "*.rtf"};
        QTest::newRow("no trailing bar") << "txt文件(*.txt)|*.txt" << QStringList{"txt文件(*.txt)", "*.txt"};
        QTest::newRow("empty") << "" << QStringList{};
        QTest::newRow("description without pattern") << "rtf|*.rtf|dangling" << QStringList{"rtf", "*.rtf"};
    }

    void parsesFilters()
    {
        QFETCH(QString, filter);
        QFETCH(QStringList, entries);
        QStringList parsed;
        for (const FileFilter &entry : parseFileFilter(filter))
            parsed << entry.description << entry.pattern;
        QCOMPARE(parsed, entries);
    }

    void qtDialogFiltersByThePatternsAsWritten_data()
    {
        QTest::addColumn<int>("filterIndex");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<QStringList>("listed");
        const QStringList everything{"a.bmp", "b.gif", "cgif", "d.jpg", "gif.txt", "noext"};
        QTest::newRow("bmp") << 1 << "*.bmp文件" << QStringList{"a.bmp"};
        QTest::newRow("gif without a dot") << 2 << "*.gif文件" << QStringList{"b.gif", "cgif"};
        QTest::newRow("all files, dot or none") << 4 << "所有文件" << everything;
    }

    void qtDialogFiltersByThePatternsAsWritten()
    {
        QFETCH(int, filterIndex);
        QFETCH(QString, shown);
        QFETCH(QStringList, listed);
        QTemporaryDir dir;
        for (const char *name : {"a.bmp", "b.gif", "cgif", "d.jpg", "gif.txt", "noext"}) {
            QFile file(dir.filePath(QLatin1String(name)));
            QVERIFY(file.open(QIODevice::WriteOnly));
        }
        FileDialogRequest request;
        request.title = QStringLiteral("看图");
        request.filters = parseFileFilter(QStringLiteral("*.bmp文件|*.bmp|*.gif文件|*gif|*.jpg文件|*.jpg|所有文件|*.*|"));
        request.filterIndex = filterIndex;

        QFileDialog dialog;
        dialog.setOption(QFileDialog::DontUseNativeDialog);
        dialog.setDirectory(dir.path());
        configureFileDialog(dialog, request, QFileDialog::AcceptOpen);
        QCOMPARE(dialog.windowTitle(), QStringLiteral("看图"));
        QCOMPARE(dialog.nameFilters().size(), 4);
        QVERIFY(dialog.testOption(QFileDialog::HideNameFilterDetails));

        // Qt shows the description alone and filters by what it parsed out of
        // the name filter: both must be ours, unchanged.
        QCOMPARE(dialog.selectedNameFilter(), shown);
        QCOMPARE(selectedFilterIndex(dialog, request), filterIndex);
        auto *model = dialog.findChild<QFileSystemModel *>();
        QVERIFY(model);
        QCOMPARE(QDir(dir.path()).entryList(model->nameFilters(), QDir::Files, QDir::Name), listed);
    }

    // A save over an existing file asks in Qt's own words, in Chinese; No
    // goes back to the dialog with nothing chosen, Yes takes the file. An
    // open dialog, or a save not asked to, never asks.
    void saveAsksBeforeReplacingAFile_data()
    {
        QTest::addColumn<bool>("save");
        QTest::addColumn<bool>("confirm");
        QTest::addColumn<QStringList>("seen"); // what each accept met, No first
        QTest::newRow("save") << true << true << QStringList{"asked, stays", "asked, chosen"};
        QTest::newRow("save not asked to") << true << false << QStringList{"chosen"};
        QTest::newRow("open") << false << true << QStringList{"chosen"};
    }

    void saveAsksBeforeReplacingAFile()
    {
        QFETCH(bool, save);
        QFETCH(bool, confirm);
        QTemporaryDir dir;
        const QString photo = dir.filePath(QStringLiteral("circuit.jpg"));
        QFile file(photo);
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write("a photograph") > 0);
        file.close();
        FileDialogRequest request;
        request.title = QStringLiteral("另存为");
        request.filters = parseFileFilter(QStringLiteral("rtf文件(*.rtf)|*.rtf"));
        request.fileName = photo;
        request.confirmOverwrite = confirm;

        QFileDialog dialog;
        dialog.setOption(QFileDialog::DontUseNativeDialog);
        configureFileDialog(dialog, request, save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        QStringList seen;
        QString question;
        for (const QMessageBox::StandardButton reply : {QMessageBox::No, QMessageBox::Yes}) {
            bool asked = false;
            QTimer::singleShot(0, [&] {
                if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) {
                    asked = true;
                    question = box->text();
                    box->button(reply)->click();
                }
            });
            static_cast<QDialog &>(dialog).accept(); // as Enter in the dialog does
            seen << (asked ? QStringLiteral("asked, ") : QString())
                    + (dialog.isVisible() ? QStringLiteral("stays") : QStringLiteral("chosen"));
            if (!dialog.isVisible())
                break;
        }
        QTEST(seen, "seen");
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QCOMPARE(dialog.selectedFiles(), QStringList{photo});
        if (!question.isEmpty())
            QVERIFY2(question.contains(QStringLiteral("circuit.jpg")) && question.contains(QStringLiteral("替换")),
                     qPrintable(question));
    }
};

QTEST_MAIN(TestCommonDialog)
#include "tst_commondialog.moc"
