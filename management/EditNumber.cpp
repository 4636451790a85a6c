#include "EditNumber.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>

CEditNumber::CEditNumber(QWidget* parent) : QLineEdit(parent)
{
    setInputMethodHints(Qt::ImhFormattedNumbersOnly);
}

void CEditNumber::Paste()
{
    if (isReadOnly())
        return;
    const QMimeData* data = QGuiApplication::clipboard()->mimeData();
    if (data == nullptr || !data->hasText())
        return;
    insert(data->text());
}
