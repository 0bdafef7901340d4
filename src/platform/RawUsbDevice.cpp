#include "platform/RawUsbDevice.h"

RawUsbDeviceState::RawUsbDeviceState (std::uint16_t v, std::uint16_t p, std::uint16_t r,
                                      std::shared_ptr<RawUsbHardware> h)
    : vendor (v), product (p), release (r), hardware (std::move (h))
{
}

int RawUsbDeviceState::numOpens() const
{
    const std::lock_guard<std::mutex> guard (lock);
    return opens;
}

int RawUsbDeviceState::numCloses() const
{
    const std::lock_guard<std::mutex> guard (lock);
    return closes;
}

bool RawUsbDeviceState::isOpen() const
{
    const std::lock_guard<std::mutex> guard (lock);
    return open;
}

std::uint8_t RawUsbDeviceState::selectedConfiguration() const
{
    const std::lock_guard<std::mutex> guard (lock);
    return configuration;
}

int RawUsbDeviceState::numLiveInterfaces() const
{
    const std::lock_guard<std::mutex> guard (lock);
    return liveInterfaces;
}

//==============================================================================
namespace
{
    /** Status of a device that is already open elsewhere. */
    constexpr int exclusiveAccessStatus = 0x2c5;
}

RawUsbDeviceInterface::RawUsbDeviceInterface (std::shared_ptr<RawUsbDeviceState> s)
    : state (std::move (s))
{
    const std::lock_guard<std::mutex> guard (state->lock);
    ++state->liveInterfaces;
}

RawUsbDeviceInterface::~RawUsbDeviceInterface()
{
    const std::lock_guard<std::mutex> guard (state->lock);
    --state->liveInterfaces;

    // The system's handle is given back with the last interface that opened it, also when the
    // device has gone and no one closed it.
    if (openedHere)
    {
        state->hardware->close();
        state->open = false;
    }
}

int RawUsbDeviceInterface::open()
{
    const std::lock_guard<std::mutex> guard (state->lock);

    if (state->open)
        return exclusiveAccessStatus;

    if (const auto status = state->hardware->open(); status != 0)
        return status;

    state->open = true;
    ++state->opens;
    openedHere = true;
    return 0;
}

int RawUsbDeviceInterface::close()
{
    const std::lock_guard<std::mutex> guard (state->lock);

    if (! openedHere)
        return exclusiveAccessStatus;

    state->hardware->close();

    openedHere = false;
    state->open = false;
    ++state->closes;
    return 0;
}

std::uint16_t RawUsbDeviceInterface::getDeviceVendor() const        { return state->vendor; }
std::uint16_t RawUsbDeviceInterface::getDeviceProduct() const       { return state->product; }
std::uint16_t RawUsbDeviceInterface::getDeviceReleaseNumber() const { return state->release; }

int RawUsbDeviceInterface::getNumberOfConfigurations (std::uint8_t& number) const
{
    return state->hardware->getNumberOfConfigurations (number);
}

int RawUsbDeviceInterface::getConfigurationValue (std::uint8_t index, std::uint8_t& value) const
{
    return state->hardware->getConfigurationValue (index, value);
}

int RawUsbDeviceInterface::setConfiguration (std::uint8_t value)
{
    const std::lock_guard<std::mutex> guard (state->lock);

    if (! state->open)
        return exclusiveAccessStatus;

    if (const auto status = state->hardware->setConfiguration (value); status != 0)
        return status;

    state->configuration = value;
    return 0;
}

//==============================================================================
RawUsbPlugIn::RawUsbPlugIn (std::shared_ptr<RawUsbDeviceState> s, int status)
    : state (std::move (s)), interfaceStatus (status)
{
}

int RawUsbPlugIn::queryDeviceInterface (std::shared_ptr<RawUsbDeviceInterface>& out) const
{
    if (interfaceStatus != 0)
        return interfaceStatus;

    out = std::make_shared<RawUsbDeviceInterface> (state);
    return 0;
}
