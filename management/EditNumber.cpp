#include "EditNumber.h"

#include <QAction>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QMimeData>
#include <QMouseEvent>
#include <memory>

namespace {

bool IsNumberCharacter(QChar c)
{
    return (c >= u'0' && c <= u'9') || c == u'+' || c == u'-' || c == u'.';
}

} // namespace

CEditNumber::CEditNumber(QWidget* parent) : QLineEdit(parent)
{
    // A drop would insert text past the character filter.
    setAcceptDrops(false);
}

QString CEditNumber::NumericHead(const QString& text)
{
    qsizetype n = 0;
    while (n < text.size() && IsNumberCharacter(text.at(n)))
        ++n;
    return text.left(n);
}

void CEditNumber::Paste()
{
    if (isReadOnly())
        return;
    const QMimeData* data = QGuiApplication::clipboard()->mimeData();
    if (data == nullptr || !data->hasText())
        return;
    insert(NumericHead(data->text()));
}

void CEditNumber::keyPressEvent(QKeyEvent* event)
{
    if (event->matches(QKeySequence::Paste))
    {
        Paste();
        event->accept();
        return;
    }
    // Keys that type a character go through the filter; editing and moving
    // keys (backspace, delete, arrows, shortcuts) keep their meaning.
    const QString text = event->text();
    const bool typesCharacter = !text.isEmpty() && text.at(0).isPrint() &&
                                !(event->modifiers() & (Qt::ControlModifier | Qt::MetaModifier));
    if (typesCharacter)
    {
        for (QChar c : text)
        {
            if (!IsNumberCharacter(c))
            {
                event->accept();
                return;
            }
        }
    }
    QLineEdit::keyPressEvent(event);
}

void CEditNumber::contextMenuEvent(QContextMenuEvent* event)
{
    std::unique_ptr<QMenu> menu(createStandardContextMenu());
    // The menu's own paste would insert the clipboard unfiltered.
    for (QAction* action : menu->actions())
    {
        if (action->objectName() == QLatin1String("edit-paste"))
        {
            disconnect(action, &QAction::triggered, nullptr, nullptr);
            connect(action, &QAction::triggered, this, &CEditNumber::Paste);
        }
    }
    menu->exec(event->globalPos());
}

void CEditNumber::mouseReleaseEvent(QMouseEvent* event)
{
    // The middle button pastes the selection clipboard unfiltered on X11.
    if (event->button() == Qt::MiddleButton)
    {
        event->accept();
        return;
    }
    QLineEdit::mouseReleaseEvent(event);
}
