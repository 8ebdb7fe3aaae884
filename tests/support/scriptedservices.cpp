#include "scriptedservices.h"

#include "app/composition.h"
#include "shell/form1.h"

#include <QAction>
#include <QFileInfo>
#include <QTest>
#include <QTextCursor>
#include <QTextEdit>

namespace bilan::test {

QString ShownMessage::summary() const
{
    QString out = text;
    if (title != applicationTitle())
        out += " [" + title + ']';
    const char *kinds[] = {"", " [Yes/No]", " [Yes/No/Cancel]", " [Yes/No/later]"};
    out += kinds[int(buttons)];
    const char *icons[] = {"", " [information]", " [question]", " [warning]", " [critical]"};
    return out + icons[int(icon)];
}

QStringList ScriptedPrompts::takeMessages()
{
    QStringList out;
    for (const ShownMessage &message : std::as_const(messages))
        out << message.summary();
    messages.clear();
    return out;
}

MessageAnswer ScriptedPrompts::showMessage(QWidget *, const QString &text, MessageButtons buttons,
                                           MessageIcon icon, const QString &title)
{
    messages.append(ShownMessage{text, title, buttons, icon});
    if (whileOpen)
        whileOpen();
    if (!answers.empty()) {
        const MessageAnswer answer = answers.front();
        answers.pop_front();
        return answer;
    }
    switch (buttons) {
    case MessageButtons::Ok: return MessageAnswer::Ok;
    case MessageButtons::YesNo: return MessageAnswer::No;
    case MessageButtons::YesNoCancel: return MessageAnswer::Cancel;
    case MessageButtons::YesNoLater: return MessageAnswer::Cancel;
    }
    return MessageAnswer::Cancel;
}

QString ScriptedPrompts::showInput(QWidget *, const QString &prompt, const QString &title, InputEcho echo)
{
    prompts.append(ShownInput{prompt, title, echo});
    if (inputs.empty())
        return {};
    const std::optional<QString> answer = inputs.front();
    inputs.pop_front();
    return answer.value_or(QString());
}

DialogAnswer ScriptedDialogs::next()
{
    if (answers.empty())
        return {};
    DialogAnswer answer = answers.front();
    answers.pop_front();
    return answer;
}

std::optional<FileDialogChoice> ScriptedDialogs::file(DialogKind kind, const FileDialogRequest &request)
{
    shown.append(ShownDialog{kind, request, {}, request.flags});
    const DialogAnswer answer = next();
    if (const QString *path = std::get_if<QString>(&answer))
        return FileDialogChoice{QFileInfo(*path).absoluteFilePath(), request.filterIndex};
    return std::nullopt;
}

std::optional<FontChoice> ScriptedDialogs::chooseFont(QWidget *, const FontChoice &initial, int flags)
{
    shown.append(ShownDialog{DialogKind::Font, {}, initial, flags});
    const DialogAnswer answer = next();
    if (const FontChoice *font = std::get_if<FontChoice>(&answer))
        return *font;
    return std::nullopt;
}

std::optional<QColor> ScriptedDialogs::chooseColor(QWidget *, const QColor &, int flags)
{
    shown.append(ShownDialog{DialogKind::Color, {}, {}, flags});
    const DialogAnswer answer = next();
    if (const QColor *color = std::get_if<QColor>(&answer))
        return *color;
    return std::nullopt;
}

void ScriptedDesktop::sendKeys(QKeyCombination combination)
{
    keys.append(combination);
    postKeystroke(combination);
}

std::optional<QString> ScriptedClipboard::text()
{
    if (readFails)
        return std::nullopt;
    lastRead = content;
    return content;
}

bool ScriptedClipboard::setText(const QString &text)
{
    ++writes;
    if (writeFails)
        return false;
    content = text;
    return true;
}

bool ScriptedClipboard::clear()
{
    ++clears;
    if (clearFails)
        return false;
    content.clear();
    return true;
}

bool ScriptedClipboard::clearIfUnchanged()
{
    if (!lastRead || content != *lastRead)
        return true;
    return clear();
}

Harness::Harness(Clipboard *realClipboard, const QString &recoveryFolder)
    : m_clipboard(realClipboard ? realClipboard : &clipboard)
    , m_workingDirectory(QDir::currentPath())
{
    places.recovery = recoveryFolder;
    m_window = createMainWindow(services());
}

Harness::~Harness()
{
    m_window.reset();
    QDir::setCurrent(m_workingDirectory);
}

bool Harness::show()
{
    m_window->show();
    return QTest::qWaitForWindowActive(m_window.get());
}

void Harness::press(ToolbarKey key)
{
    m_window->ui().toolbarButtons[std::size_t(key)]->trigger();
}

void select(QTextEdit *edit, int start, int length)
{
    QTextCursor cursor(edit->document());
    cursor.setPosition(start);
    cursor.setPosition(start + length, QTextCursor::KeepAnchor);
    edit->setTextCursor(cursor);
}

void ignoreSizeHintWarnings()
{
    static const QtMessageHandler standard = qInstallMessageHandler(
        [](QtMsgType type, const QMessageLogContext &context, const QString &text) {
            if (!text.contains(QLatin1String("does not support propagateSizeHints")))
                standard(type, context, text);
        });
}

} // namespace bilan::test
