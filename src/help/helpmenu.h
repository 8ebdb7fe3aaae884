#pragma once

#include <QObject>
#include <QString>

namespace bilan {

class Form1;

// The Help menu: the help file, a mail to the program's maker and the
// about message. Both shell calls go out unexamined: what the desktop
// shows when it cannot open them is all the user sees.
class HelpMenu final : public QObject
{
    Q_OBJECT
public:
    // Indices of the Help menu's items; 1 is not used.
    enum Item { Help = 0, Mail = 2, About = 3 };

    explicit HelpMenu(Form1 &window);

    void onHelpItem(int index);

    static QString helpFileName();
    static QString aboutText();

private:
    Form1 &m_window;
};

} // namespace bilan
