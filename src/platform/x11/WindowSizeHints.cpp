#include "platform/x11/FrameworkX11Internals.h"   // first: the framework's X11 classes, for its one version

#include "platform/x11/WindowSizeHints.h"

namespace WindowSizeHints
{
   #if JUCE_LINUX || JUCE_BSD
    namespace
    {
        using WriteHints = juce::X11Symbols::XSetWMNormalHints;

        WriteHints frameworkWrite = nullptr;
        juce::Component::SafePointer<juce::Component> keptWindow;
        Limits keptLimits;

        juce::ComponentPeer* peerOfKeptWindow (::Window handle)
        {
            if (keptWindow == nullptr)
                return nullptr;

            auto* peer = keptWindow->getPeer();
            return peer != nullptr && reinterpret_cast<::Window> (peer->getNativeHandle()) == handle ? peer : nullptr;
        }

        /** The framework writes every size hint through this one entry of its table of X functions,
            so the kept window's limits cannot be left out by any path of its own.
        */
        void writeWithKeptLimits (::Display* display, ::Window handle, XSizeHints* written)
        {
            auto* peer = peerOfKeptWindow (handle);

            if (peer == nullptr || written == nullptr)
            {
                frameworkWrite (display, handle, written);
                return;
            }

            const auto scale = peer->getPlatformScaleFactor();
            const auto physical = [scale] (int logical) { return juce::roundToInt (logical * scale); };

            auto hints = *written;

            if ((written->flags & (USPosition | PPosition)) == 0)
            {
                const auto bounds = juce::Desktop::getInstance().getDisplays().logicalToPhysical (peer->getBounds());
                hints.x = bounds.getX();
                hints.y = bounds.getY();
                hints.width = bounds.getWidth();
                hints.height = bounds.getHeight();
            }

            // The program places its window itself, also when it is shown again after being hidden:
            // the position and size always count as given, whatever else this write is for.
            hints.flags = (written->flags & (USPosition | USSize | PPosition | PSize | PWinGravity))
                        | USPosition | USSize | PMinSize | PMaxSize | PAspect | PBaseSize;

            hints.min_width = physical (keptLimits.minWidth);
            hints.min_height = physical (keptLimits.minHeight);
            hints.max_width = physical (keptLimits.maxWidth);
            hints.max_height = physical (keptLimits.maxHeight);
            hints.min_aspect.x = hints.max_aspect.x = keptLimits.aspectWidth;
            hints.min_aspect.y = hints.max_aspect.y = keptLimits.aspectHeight;

            // Without a base size some window managers take the minimum size as one, and keep the
            // ratio of what lies beyond it instead of the client area's own.
            hints.base_width = hints.base_height = 0;

            frameworkWrite (display, handle, &hints);
        }
    }

    void keep (juce::Component& window, const Limits& limits)
    {
        JUCE_ASSERT_MESSAGE_THREAD

        if (FrameworkX11::display() == nullptr)
            return;

        auto* symbols = juce::X11Symbols::getInstance();

        // The table is filled when the framework connects to the display; it would be again after
        // a new connection.
        if (symbols->xSetWMNormalHints != &writeWithKeptLimits)
        {
            frameworkWrite = symbols->xSetWMNormalHints;
            symbols->xSetWMNormalHints = &writeWithKeptLimits;
        }

        keptWindow = &window;
        keptLimits = limits;

        if (auto* peer = window.getPeer())
            juce::XWindowSystem::getInstance()->updateConstraints (reinterpret_cast<::Window> (peer->getNativeHandle()));
    }
   #else
    void keep (juce::Component&, const Limits&) {}
   #endif
}
