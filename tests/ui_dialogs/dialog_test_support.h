#pragma once
// Dialogs shown offscreen and worked like a user: typing into fields,
// picking list entries, clicking buttons.

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QTest>
#include <QTimer>

#include <functional>
#include <ostream>

#include <gtest/gtest.h>

// Readable QStrings in failure messages.
inline void PrintTo(const QString& text, std::ostream* out) { *out << '"' << text.toStdString() << '"'; }

namespace plask::testing {

template <typename W> W& childOf(const QWidget& parent, const char* name)
{
    W* widget = parent.findChild<W*>(QString::fromLatin1(name));
    if (widget == nullptr)
        throw std::runtime_error(std::string("no widget ") + name);
    return *widget;
}

inline void showDialog(QDialog& dialog)
{
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
}

inline QString fieldText(const QWidget& dialog, const char* name) { return childOf<QLineEdit>(dialog, name).text(); }

inline void type(const QWidget& dialog, const char* name, const QString& text)
{
    QLineEdit& field = childOf<QLineEdit>(dialog, name);
    field.selectAll();
    QTest::keyClick(&field, Qt::Key_Delete);
    QTest::keyClicks(&field, text);
}

inline void press(const QWidget& dialog, const char* name)
{
    QTest::mouseClick(&childOf<QAbstractButton>(dialog, name), Qt::LeftButton);
}

inline void pick(const QWidget& dialog, const char* name, int index)
{
    childOf<QComboBox>(dialog, name).setCurrentIndex(index);
}

inline QString listText(const QWidget& dialog, const char* name)
{
    return childOf<QComboBox>(dialog, name).currentText();
}

// Works the next modal dialog the program opens, once it shows: the test
// starts the command after this call, and the command's exec() returns when
// `work` has clicked OK or Cancel.
inline void whenDialogOpens(std::function<void(QDialog&)> work)
{
    auto* timer = new QTimer(qApp);
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, timer, [timer, work = std::move(work), tries = 0]() mutable {
        auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (dialog == nullptr && ++tries < 500)
            return;
        timer->stop();
        timer->deleteLater();
        if (dialog != nullptr)
            work(*dialog);
    });
    timer->start();
}

} // namespace plask::testing
