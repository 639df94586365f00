#pragma once

// Ties a control object to a widget through the widget's dynamic property
// "this_pointer", which holds the object's address. Code that is handed a
// widget (an event filter, a paint handler) finds its object this way.

class QObject;

namespace zelkam {

inline constexpr const char* BindingProperty = "this_pointer";

void bindObject(QObject* window, void* object);
// Removes the binding; the widget is left alone.
void unbindObject(QObject* window);
// The bound object, or null for a widget that carries no binding.
void* boundObject(const QObject* window);

} // namespace zelkam
