#include "app/control_base.h"

#include <QFontInfo>

#include "platform/qpainter_canvas.h"
#include "platform/window_binding.h"

namespace zelkam {

namespace {

QFont& sharedFontSlot()
{
    static QFont font;
    return font;
}

} // namespace

ControlBase::~ControlBase()
{
    if (bound_ && boundObject(bound_) == this)
        unbindObject(bound_);
}

void ControlBase::bindToWindow()
{
    bindToWindow(window_);
}

void ControlBase::bindToWindow(QWidget* window)
{
    bindObject(window, this);
    bound_ = window;
}

ControlBase* ControlBase::fromWindow(const QObject* window)
{
    return static_cast<ControlBase*>(boundObject(window));
}

void ControlBase::applySharedFont()
{
    window_->setFont(sharedFont());
}

void ControlBase::invalidate()
{
    window_->update();
}

bool createSharedFont()
{
    QFont font = QPainterCanvas::fontFor(FontChoice{"Arial", 15, false});
    if (QFontInfo(font).family().isEmpty())
        return false;
    sharedFontSlot() = font;
    return true;
}

const QFont& sharedFont()
{
    return sharedFontSlot();
}

} // namespace zelkam
