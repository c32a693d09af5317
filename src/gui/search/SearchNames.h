#pragma once

#include <QLatin1String>
#include <QString>

// The object names the search window's controls carry (tests and the settings
// find them by these names).
namespace SearchNames {

template <typename T>
T* named(T* widget, const QString& name)
{
    widget->setObjectName(name);
    return widget;
}

// "Text1_3": one control of an array.
inline QString arrayName(const char* base, int index)
{
    return QStringLiteral("%1_%2").arg(QLatin1String(base)).arg(index);
}

} // namespace SearchNames
