#pragma once
// The program's icon: a photon trace with one burst, drawn at each size.

#include <QIcon>

namespace plask::ui {

[[nodiscard]] QIcon appIcon();

} // namespace plask::ui
