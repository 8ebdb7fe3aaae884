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
        QTest::addColumn<bool>("escapeCloses");
        QTest::newRow("Yes/No: no third answer") << MessageButtons::YesNo << false;
        QTest::newRow("Yes/No/Cancel: Esc is Cancel") << MessageButtons::YesNoCancel << true;
    }

    void escapeAndCloseAnswerOnlyWhereCancelIsOffered()
    {
        QFETCH(MessageButtons, buttons);
        QFETCH(bool, escapeCloses);

        bool shownAfterEscape = false;
        bool shownAfterClose = false;
        QString title;
        whenShown<QMessageBox>([&](QMessageBox *box) {
            title = box->windowTitle();
            QTest::keyClick(box, Qt::Key_Escape);
            shownAfterEscape = box->isVisible();
            if (!shownAfterEscape)
                return;
            box->close(); // what the window's close box asks for
            shownAfterClose = box->isVisible();
            if (shownAfterClose)
                box->button(QMessageBox::Yes)->click();
        });
        const MessageAnswer answer = qtServices().prompts->message(
            nullptr, QStringLiteral("等...等，保存您正在写的稿子吗？可别后悔哟~0~"), buttons, MessageIcon::None,
            QStringLiteral("请确认"));

        QCOMPARE(title, QStringLiteral("请确认"));
        if (escapeCloses) {
            QVERIFY(!shownAfterEscape);
            QCOMPARE(answer, MessageAnswer::Cancel);
        } else {
            QVERIFY(shownAfterEscape);
            QVERIFY(shownAfterClose);
            QCOMPARE(answer, MessageAnswer::Yes);
        }
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
