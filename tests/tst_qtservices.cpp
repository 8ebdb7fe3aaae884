// The real seams where the toolkit's own behaviour would lose work: the
// message box's Esc and close box, and the font dialog's stand-in family.

#include "platform/services.h"

#include <QAbstractButton>
#include <QApplication>
#include <QFontDatabase>
#include <QFontDialog>
#include <QMessageBox>
#include <QTest>
#include <QTimer>

#include <functional>

using namespace bilan;

namespace {

// Runs `act` on the modal dialog of type Dialog as soon as it is up.
template<typename Dialog>
void whenShown(std::function<void(Dialog *)> act)
{
    auto *poll = new QTimer;
    QObject::connect(poll, &QTimer::timeout, poll, [poll, act] {
        if (auto *dialog = qobject_cast<Dialog *>(QApplication::activeModalWidget())) {
            poll->stop();
            poll->deleteLater();
            act(dialog);
        }
    });
    poll->start(10);
}

} // namespace

class TestQtServices : public QObject
{
    Q_OBJECT

private slots:
    void escapeAndCloseAnswerOnlyWhereCancelIsOffered_data()
    {
        QTest::addColumn<MessageButtons>("buttons");
        QTest::addColumn<QString>("seen"); // the title, what Esc and then the close box did, the answer
        QTest::newRow("Yes/No: no third answer") << MessageButtons::YesNo << "请确认 stays stays Yes";
        QTest::newRow("Yes/No/Cancel: Esc is Cancel") << MessageButtons::YesNoCancel << "请确认 closes Cancel";
        QTest::newRow("Yes/No, later: Esc is Cancel") << MessageButtons::YesNoLater << "请确认 closes Cancel";
    }

    void escapeAndCloseAnswerOnlyWhereCancelIsOffered()
    {
        QFETCH(MessageButtons, buttons);
        QString seen;
        whenShown<QMessageBox>([&seen](QMessageBox *box) {
            seen = box->windowTitle();
            for (int step = 0; step < 2 && box->isVisible(); ++step) {
                // Esc, then what the window's close box asks for.
                step == 0 ? QTest::keyClick(box, Qt::Key_Escape) : void(box->close());
                seen += box->isVisible() ? " stays" : " closes";
            }
            if (box->isVisible())
                box->button(QMessageBox::Yes)->click();
        });
        const MessageAnswer answer = qtServices().prompts->message(
            nullptr, QStringLiteral("等...等，保存您正在写的稿子吗？可别后悔哟~0~"), buttons, MessageIcon::None,
            QStringLiteral("请确认"));
        const char *answers[] = {"Ok", "Yes", "No", "Cancel"};
        QTEST(seen + ' ' + answers[int(answer)], "seen");
    }

    void closeBoxPutsOffAQuestionForLater()
    {
        whenShown<QMessageBox>([](QMessageBox *box) { box->close(); });
        QCOMPARE(qtServices().prompts->message(nullptr, QStringLiteral("要恢复吗？"), MessageButtons::YesNoLater),
                 MessageAnswer::Cancel);
    }

    void fontDialogKeepsTheFamilyItWasOpenedOn()
    {
        const FontChoice songti{QStringLiteral("宋体"), 9, false, false, false, false};

        // OK without touching anything: whatever face stood in for 宋体 in the
        // dialog, the answer is 宋体.
        whenShown<QFontDialog>([](QFontDialog *dialog) { dialog->accept(); });
        std::optional<FontChoice> choice = qtServices().dialogs->chooseFont(nullptr, songti, DialogFlag::FontBoth);
        QVERIFY(choice);
        QCOMPARE(choice->name, QStringLiteral("宋体"));
        QCOMPARE(choice->size, 9.0);

        // A family the user picks is taken as picked.
        QString picked;
        whenShown<QFontDialog>([&picked](QFontDialog *dialog) {
            const QString shown = dialog->currentFont().family();
            for (const QString &family : QFontDatabase::families()) {
                if (family != shown && !QFontDatabase::isPrivateFamily(family)) {
                    picked = family;
                    break;
                }
            }
            dialog->setCurrentFont(QFont(picked));
            dialog->accept();
        });
        choice = qtServices().dialogs->chooseFont(nullptr, songti, DialogFlag::FontBoth);
        QVERIFY(!picked.isEmpty());
        QVERIFY(choice);
        QCOMPARE(choice->name, picked);
    }
};

QTEST_MAIN(TestQtServices)
#include "tst_qtservices.moc"
