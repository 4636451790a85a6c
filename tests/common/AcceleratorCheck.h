#pragma once

// The accelerators (Alt+letter) of a window and their owners: the buttons,
// group boxes and labels with buddies the user can reach in it, and the menus
// of its menu bar; each open menu is a scope of its own. A letter with two
// owners reaches neither reliably (Alt cycles through them and triggers
// none). A label with an "&" and no buddy shows the "&" itself.

#include <QAbstractButton>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QStringList>
#include <QWidget>
#include <map>
#include <string>
#include <vector>

inline QChar AcceleratorOf(const QString& text)
{
    for (qsizetype i = 0; i + 1 < text.size(); ++i)
    {
        if (text[i] != u'&')
            continue;
        if (text[i + 1] == u'&')
        {
            ++i;
            continue;
        }
        return text[i + 1].toCaseFolded();
    }
    return QChar();
}

// Descriptions of every clash and every literal "&"; empty when each letter
// has one owner.
inline std::vector<std::string> AcceleratorFaults(QWidget* window)
{
    std::vector<std::string> faults;
    auto report = [&faults](const std::map<QChar, QStringList>& owners, const QString& scope) {
        for (const auto& [letter, names] : owners)
            if (names.size() > 1)
                faults.push_back((scope + QStringLiteral(": Alt+") + letter + QStringLiteral(" belongs to ") +
                                  names.join(QStringLiteral(", ")))
                                     .toStdString());
    };

    std::map<QChar, QStringList> owners;
    auto add = [&owners](const QString& text, const QString& who) {
        const QChar letter = AcceleratorOf(text);
        if (!letter.isNull())
            owners[letter].push_back(who + QStringLiteral(" \"") + text + QStringLiteral("\""));
    };
    for (QAbstractButton* b : window->findChildren<QAbstractButton*>())
        if (b->isVisibleTo(window))
            add(b->text(), b->objectName());
    for (QGroupBox* g : window->findChildren<QGroupBox*>())
        if (g->isVisibleTo(window))
            add(g->title(), g->objectName());
    for (QLabel* l : window->findChildren<QLabel*>())
    {
        if (!l->isVisibleTo(window) || AcceleratorOf(l->text()).isNull())
            continue;
        if (l->buddy() == nullptr)
            faults.push_back(("label " + l->objectName() + " shows a literal & in \"" + l->text() + "\"").toStdString());
        else
            add(l->text(), l->objectName());
    }
    for (QMenuBar* bar : window->findChildren<QMenuBar*>())
    {
        for (QAction* a : bar->actions())
            add(a->text(), QStringLiteral("menu"));
    }
    report(owners, window->objectName());

    for (QMenu* menu : window->findChildren<QMenu*>())
    {
        std::map<QChar, QStringList> items;
        for (QAction* a : menu->actions())
        {
            const QChar letter = AcceleratorOf(a->text());
            if (!letter.isNull())
                items[letter].push_back(QStringLiteral("\"") + a->text() + QStringLiteral("\""));
        }
        report(items, QStringLiteral("menu ") + menu->title());
    }
    return faults;
}
