#include "DialogText.h"

#include "NumberText.h"

#include <QDir>
#include <QFileInfo>
#include <cstdlib>
#include <locale.h>

namespace DialogText {

double LeadingNumber(const QString& text)
{
    const std::string bytes = ToUtf8(text);
    // strtod follows LC_NUMERIC, which the desktop may have set to a comma
    // locale; read through a private C locale instead.
    static const locale_t c = newlocale(LC_NUMERIC_MASK, "C", static_cast<locale_t>(nullptr));
    if (c == static_cast<locale_t>(nullptr))
        return std::strtod(bytes.c_str(), nullptr);
    return strtod_l(bytes.c_str(), nullptr, c);
}

bool IsNumberText(const QString& text)
{
    std::string literal;
    return NormaliseTypedNumber(ToUtf8(text), literal);
}

std::string NumberLiteral(const QString& text)
{
    std::string literal;
    if (!NormaliseTypedNumber(ToUtf8(text), literal))
        return std::string();
    return literal;
}

int ReadPreference(const char* name)
{
    QSettings profile(QStringLiteral("Veltrix"), QStringLiteral("Veltrix Geolynx"));
    bool ok = false;
    const int value = profile.value(QStringLiteral("Preferences/") + QLatin1String(name), 0).toInt(&ok);
    return ok ? value : 0;
}

void WritePreference(const char* name, int value)
{
    QSettings profile(QStringLiteral("Veltrix"), QStringLiteral("Veltrix Geolynx"));
    profile.setValue(QStringLiteral("Preferences/") + QLatin1String(name), value);
    profile.sync();
}

QString LastFolder()
{
    QSettings profile(QStringLiteral("Veltrix"), QStringLiteral("Veltrix Geolynx"));
    const QString folder = profile.value(QStringLiteral("Preferences/LastFolder")).toString();
    if (!folder.isEmpty() && QFileInfo(folder).isDir())
        return folder;
    return QDir::homePath();
}

void RememberFolder(const QString& chosenFile)
{
    if (chosenFile.isEmpty())
        return;
    QSettings profile(QStringLiteral("Veltrix"), QStringLiteral("Veltrix Geolynx"));
    profile.setValue(QStringLiteral("Preferences/LastFolder"), QFileInfo(chosenFile).absolutePath());
    profile.sync();
}

} // namespace DialogText
