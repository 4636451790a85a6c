#include "FlagIconList.h"

#include <QImage>
#include <QPainter>
#include <QPixmap>
#include <algorithm>

#include "CountryImages.h"

void CFlagIconList::Reset()
{
    icons.clear();
    icons.reserve(256);
}

bool CFlagIconList::Append(const std::string& pngFile)
{
    QImage image;
    if (!image.load(QString::fromStdString(pngFile), "PNG") || image.isNull())
        return false;
    image = image.convertToFormat(QImage::Format_ARGB32);
    // Pixels of RGB(254, 254, 254) are the flags' transparent colour.
    for (int y = 0; y < image.height(); ++y)
    {
        QRgb* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x)
        {
            if ((line[x] & 0x00FFFFFFu) == 0x00FEFEFEu)
                line[x] = 0;
        }
    }
    // Flags narrower or lower than 16 by 16 (the 16 by 11 ones) sit in the
    // middle of a transparent square, larger ones are scaled into it.
    if (image.width() > 16 || image.height() > 16)
        image = image.scaled(16, 16, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    QImage square(16, 16, QImage::Format_ARGB32_Premultiplied);
    square.fill(Qt::transparent);
    {
        QPainter painter(&square);
        painter.drawImage((16 - image.width()) / 2, (16 - image.height()) / 2, image);
    }
    icons.emplace_back(QPixmap::fromImage(square));
    return true;
}

QIcon CFlagIconList::Icon(int index) const
{
    if (index < 0 || index >= Count())
        return QIcon();
    return icons[static_cast<std::size_t>(index)];
}

void CFlagIconList::LoadCountryFlags(CCountryImages& app)
{
    CountryImageTable table;
    ::LoadCountryFlags(table, *this);
    app.countryImageCount = std::min(table.count, static_cast<int>(app.countryImageTable.size()));
    std::copy_n(table.ids.begin(), app.countryImageCount, app.countryImageTable.begin());
}

int CFlagIconList::ImageIndex(const CCountryImages& app, int countryId)
{
    const auto end = app.countryImageTable.begin() + app.countryImageCount;
    const auto it = std::find(app.countryImageTable.begin(), end, countryId);
    return it == end ? -1 : static_cast<int>(it - app.countryImageTable.begin());
}
