#include "outputimagetype.h"

QStringList OutputImageType::names() const
{
    QStringList result{name};
    for (const QString &suffix : suffixes) {
        if (suffix != name)
            result.append(suffix);
    }
    return result;
}

QString OutputImageType::nameFilter() const
{
    QStringList patterns;
    for (const QString &suffix : suffixes)
        patterns.append(QStringLiteral("*.") + suffix);
    return label + QStringLiteral(" (") + patterns.join(QLatin1Char(' ')) + QLatin1Char(')');
}

const QVector<OutputImageType> &OutputImageType::all()
{
    // The long-standing types first, then those the plugins added.
    static const QVector<OutputImageType> types = {
        {QStringLiteral("jpeg"), QStringLiteral("JPEG"), {QStringLiteral("jpg"), QStringLiteral("jpeg")}, true, false},
        {QStringLiteral("png"), QStringLiteral("PNG"), {QStringLiteral("png")}, false, true},
        {QStringLiteral("bmp"), QStringLiteral("BMP"), {QStringLiteral("bmp")}, false, true},
        {QStringLiteral("tiff"), QStringLiteral("TIFF"), {QStringLiteral("tif"), QStringLiteral("tiff")}, false, false},
        {QStringLiteral("webp"), QStringLiteral("WebP"), {QStringLiteral("webp")}, true, false},
        {QStringLiteral("avif"), QStringLiteral("AVIF"), {QStringLiteral("avif")}, true, false},
        {QStringLiteral("jxl"), QStringLiteral("JPEG XL"), {QStringLiteral("jxl")}, true, false},
    };
    return types;
}

QStringList OutputImageType::allNames()
{
    QStringList result;
    for (const OutputImageType &type : all())
        result += type.names();
    return result;
}

QStringList OutputImageType::allSuffixes()
{
    QStringList result;
    for (const OutputImageType &type : all())
        result += type.suffixes;
    return result;
}

const OutputImageType *OutputImageType::find(const QString &nameOrSuffix)
{
    for (const OutputImageType &type : all()) {
        if (type.names().contains(nameOrSuffix, Qt::CaseInsensitive))
            return &type;
    }
    return nullptr;
}
