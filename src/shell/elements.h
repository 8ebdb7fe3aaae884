#pragma once

#include <QObject>
#include <QString>

namespace bilan {

// An element of a control or item array is named "<array>_<index>"
// (Label2_17, mnufileitem_3) and carries its index in the dynamic property
// "index", where the array's one handler finds it.
inline QString elementName(const char *array, int index)
{
    return QLatin1String(array) + QLatin1Char('_') + QString::number(index);
}

template<typename Object>
Object *asElement(Object *object, const char *array, int index)
{
    object->setObjectName(elementName(array, index));
    object->setProperty("index", index);
    return object;
}

} // namespace bilan
