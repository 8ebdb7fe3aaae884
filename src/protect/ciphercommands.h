#pragma once

#include "shiftcipher.h"

#include <QObject>

namespace bilan {

class Form1;

// The 入口 submenu: encrypt and decrypt the manuscript. Each runs once
// until the other has run; the Open command allows both again.
class CipherCommands final : public QObject
{
    Q_OBJECT
public:
    enum CodeChildItem { Encrypt = 0, Decrypt = 1 };

    explicit CipherCommands(Form1 &window);

    void onCodeChildItem(int index);

    void run(protect::Direction direction);

private:
    Form1 &m_window;
};

} // namespace bilan
