#include "services.h"

namespace bilan {

MessageAnswer Prompts::message(QWidget *parent, const QString &text, MessageButtons buttons,
                               MessageIcon icon, const QString &title)
{
    return showMessage(parent, text, buttons, icon, title.isEmpty() ? applicationTitle() : title);
}

QString Prompts::input(QWidget *parent, const QString &prompt, const QString &title)
{
    return showInput(parent, prompt, title.isEmpty() ? applicationTitle() : title, InputEcho::Normal);
}

QString Prompts::password(QWidget *parent, const QString &prompt, const QString &title)
{
    return showInput(parent, prompt, title.isEmpty() ? applicationTitle() : title, InputEcho::Masked);
}

} // namespace bilan
