#pragma once

#include <QApplication>

// The busy cursor while a page waits for a database on the window's thread.
class CWzdBusyCursor
{
public:
    CWzdBusyCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~CWzdBusyCursor() { QApplication::restoreOverrideCursor(); }
    CWzdBusyCursor(const CWzdBusyCursor&) = delete;
    CWzdBusyCursor& operator=(const CWzdBusyCursor&) = delete;
};
