#pragma once
// qcustomplot.h uses Qt's lower-case keywords, which the project switches off;
// lend them to it for the length of the include. Include only from chart/*.cpp.

#include <QtGlobal>

#define signals Q_SIGNALS
#define slots Q_SLOTS
#define emit Q_EMIT
#define foreach Q_FOREACH
#include <qcustomplot.h>
#undef signals
#undef slots
#undef emit
#undef foreach
