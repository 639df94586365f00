#include "platform/window_binding.h"

#include <QObject>
#include <QVariant>

namespace zelkam {

void bindObject(QObject* window, void* object)
{
    window->setProperty(BindingProperty, QVariant::fromValue(reinterpret_cast<quintptr>(object)));
}

void unbindObject(QObject* window)
{
    window->setProperty(BindingProperty, QVariant());
}

void* boundObject(const QObject* window)
{
    if (window == nullptr)
        return nullptr;
    const QVariant value = window->property(BindingProperty);
    if (!value.isValid())
        return nullptr;
    return reinterpret_cast<void*>(value.value<quintptr>());
}

} // namespace zelkam
