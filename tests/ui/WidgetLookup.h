#pragma once
// Finding a window's controls by their object names, as the widget tests do.

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QWidget>

namespace orv::ui::test {

// The named child of `window`; a missing one fails the test (and gives null).
template <class T>
T* Child(QWidget& window, const char* name) {
    T* w = window.findChild<T*>(name);
    EXPECT_NE(w, nullptr) << name;
    return w;
}

// Clicks the named button; a missing one fails the test.
inline void Click(QWidget& window, const char* name) {
    if (auto* b = window.findChild<QAbstractButton*>(name)) b->click();
    else ADD_FAILURE() << "no button " << name;
}

}  // namespace orv::ui::test
