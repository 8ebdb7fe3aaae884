#include "inventory.h"

#include <QMainWindow>
#include <QSize>

namespace bilan {

// Placeholder until the inventory lands.
void buildForm1(QMainWindow &, Form1Ui &) {}
void layoutForm1(const Form1Ui &, const QSize &) {}

} // namespace bilan
