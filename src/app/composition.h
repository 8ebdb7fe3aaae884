#pragma once

#include "platform/services.h"

#include <memory>

namespace bilan {

class Form1;

// Builds the main window and then every subsystem, each registering its
// handlers with the window's menus, toolbar and close request. A subsystem
// joins the program here and in its own folder only.
std::unique_ptr<Form1> createMainWindow(const Services &services);

} // namespace bilan
