#include "platform/AudioHardware.h"

#include <algorithm>
#include <atomic>
#include <deque>

bool AudioStreamFormat::operator== (const AudioStreamFormat& o) const
{
    return mSampleRate == o.mSampleRate && mFormatID == o.mFormatID && mFormatFlags == o.mFormatFlags
        && mBytesPerPacket == o.mBytesPerPacket && mFramesPerPacket == o.mFramesPerPacket
        && mBytesPerFrame == o.mBytesPerFrame && mChannelsPerFrame == o.mChannelsPerFrame
        && mBitsPerChannel == o.mBitsPerChannel && mReserved == o.mReserved;
}

//==============================================================================
/** Delivers queued property changes to the listeners, one at a time, in order. */
class AudioHardware::NotificationThread final : public juce::Thread
{
public:
    explicit NotificationThread (AudioHardware& h) : juce::Thread ("Audio hardware notifications"), hardware (h)
    {
        startThread();
    }

    ~NotificationThread() override
    {
        // The exit signal also ends a listener's wait for the message-manager lock.
        signalThreadShouldExit();
        wakeUp.signal();
        stopThread (10000);
    }

    void post (AudioObjectID device, const AudioPropertyAddress& address)
    {
        {
            const std::lock_guard<std::mutex> guard (queueLock);
            queue.push_back ({ device, address });
        }

        wakeUp.signal();
    }

    bool isBusy() const
    {
        const std::lock_guard<std::mutex> guard (queueLock);
        return busy || ! queue.empty();
    }

    void run() override
    {
        while (! threadShouldExit())
        {
            std::pair<AudioObjectID, AudioPropertyAddress> next;

            {
                const std::lock_guard<std::mutex> guard (queueLock);

                if (queue.empty())
                {
                    busy = false;
                    next.first = 0;
                }
                else
                {
                    busy = true;
                    next = queue.front();
                    queue.pop_front();
                }
            }

            if (next.first == 0)
            {
                wakeUp.wait (100);
                continue;
            }

            hardware.dispatch (next.first, next.second);
        }

        const std::lock_guard<std::mutex> guard (queueLock);
        busy = false;
    }

private:
    AudioHardware& hardware;
    mutable std::mutex queueLock;
    std::deque<std::pair<AudioObjectID, AudioPropertyAddress>> queue;
    bool busy = false;
    juce::WaitableEvent wakeUp;
};

//==============================================================================
namespace
{
    bool addressMatches (const AudioPropertyAddress& listened, const AudioPropertyAddress& changed)
    {
        using namespace AudioProperty;
        return (listened.mSelector == selectorWildcard || listened.mSelector == changed.mSelector)
            && (listened.mScope == scopeWildcard || listened.mScope == changed.mScope)
            && (listened.mElement == elementWildcard || listened.mElement == changed.mElement);
    }

    bool sameAddress (const AudioPropertyAddress& a, const AudioPropertyAddress& b)
    {
        return a.mSelector == b.mSelector && a.mScope == b.mScope && a.mElement == b.mElement;
    }

    constexpr AudioPropertyAddress rateChangedAddress { AudioProperty::nominalSampleRate,
                                                        AudioProperty::scopeGlobal,
                                                        AudioProperty::elementMain };
}

AudioHardware::AudioHardware() = default;

AudioHardware::~AudioHardware()
{
    thread = nullptr;
}

//==============================================================================
int AudioHardware::getDeviceListSize (std::uint32_t& bytes) const
{
    const std::lock_guard<std::recursive_mutex> guard (lock);
    bytes = 0;

    if (const auto status = faults != nullptr ? faults->deviceListStatus() : 0; status != 0)
        return status;

    for (auto id : order)
        if (findListed (id) != nullptr)
            bytes += static_cast<std::uint32_t> (sizeof (AudioObjectID));

    return AudioProperty::noError;
}

int AudioHardware::getDeviceList (std::uint32_t bytes, std::vector<AudioObjectID>& result) const
{
    const std::lock_guard<std::recursive_mutex> guard (lock);
    result.clear();

    if (const auto status = faults != nullptr ? faults->deviceListStatus() : 0; status != 0)
        return status;

    for (auto id : order)
        if (findListed (id) != nullptr && (result.size() + 1) * sizeof (AudioObjectID) <= bytes)
            result.push_back (id);

    return AudioProperty::noError;
}

int AudioHardware::getStringProperty (AudioObjectID id, const AudioPropertyAddress& address, juce::String& value) const
{
    const std::lock_guard<std::recursive_mutex> guard (lock);
    const Device* d = nullptr;

    if (const auto status = findReadable (id, address.mSelector, d); status != AudioProperty::noError)
        return status;

    switch (address.mSelector)
    {
        case AudioProperty::deviceUID:    value = d->description.uid; return AudioProperty::noError;
        case AudioProperty::name:         value = d->description.name; return AudioProperty::noError;
        case AudioProperty::manufacturer: value = d->description.manufacturer; return AudioProperty::noError;
        default:                          return AudioProperty::unknownProperty;
    }
}

int AudioHardware::getStreamConfigurationSize (AudioObjectID id, std::uint32_t scope, std::uint32_t& bytes) const
{
    std::uint32_t buffers = 0;
    const auto status = getStreamConfiguration (id, scope, buffers);

    // A buffer list: its count, then 16 bytes per buffer.
    bytes = status == AudioProperty::noError ? 8 + 16 * buffers : 0;
    return status;
}

int AudioHardware::getStreamConfiguration (AudioObjectID id, std::uint32_t scope, std::uint32_t& numberBuffers) const
{
    const std::lock_guard<std::recursive_mutex> guard (lock);
    const Device* d = nullptr;
    numberBuffers = 0;

    if (const auto status = findReadable (id, AudioProperty::streamConfiguration, d); status != AudioProperty::noError)
        return status;

    if (scope == AudioProperty::scopeInput)
        numberBuffers = d->description.inputBuffers;
    else if (scope == AudioProperty::scopeOutput)
        numberBuffers = d->description.outputBuffers;
    else
        return AudioProperty::unknownProperty;

    return AudioProperty::noError;
}

int AudioHardware::getNominalSampleRate (AudioObjectID id, const AudioPropertyAddress& address, double& rate) const
{
    const std::lock_guard<std::recursive_mutex> guard (lock);
    const auto* d = findListed (id);

    if (d == nullptr)
        return AudioProperty::badObject;

    if (address.mSelector != AudioProperty::nominalSampleRate)
        return AudioProperty::unknownProperty;

    if (const auto status = readStatus (id, AudioProperty::nominalSampleRate); status != AudioProperty::noError)
        return status;

    rate = d->description.nominalRate;
    return AudioProperty::noError;
}

int AudioHardware::setNominalSampleRate (AudioObjectID id, const AudioPropertyAddress& address, double rate)
{
    const std::lock_guard<std::recursive_mutex> guard (lock);
    auto* d = findListed (id);

    if (d == nullptr)
        return AudioProperty::badObject;

    if (address.mSelector != AudioProperty::nominalSampleRate)
        return AudioProperty::unknownProperty;

    ++d->rateSets;

    if (d->description.rateIsFixed)
        return AudioProperty::unsupported;

    if (followsRateSet (id))
        applyRate (id, *d, rate);

    return AudioProperty::noError;
}

int AudioHardware::setPhysicalFormat (AudioObjectID id, const AudioPropertyAddress& address, const AudioStreamFormat& format)
{
    const std::lock_guard<std::recursive_mutex> guard (lock);
    auto* d = findListed (id);

    if (d == nullptr)
        return AudioProperty::badObject;

    if (address.mSelector != AudioProperty::physicalFormat)
        return AudioProperty::unknownProperty;

    ++d->formatSets;

    if (d->description.rateIsFixed)
        return AudioProperty::unsupported;

    if (followsRateSet (id))
    {
        d->formats[address.mScope] = format;
        applyRate (id, *d, format.mSampleRate);
    }

    return AudioProperty::noError;
}

int AudioHardware::getUInt32Property (AudioObjectID id, const AudioPropertyAddress& address, std::uint32_t& value) const
{
    const std::lock_guard<std::recursive_mutex> guard (lock);
    const Device* d = nullptr;

    if (const auto status = findReadable (id, address.mSelector, d); status != AudioProperty::noError)
        return status;

    switch (address.mSelector)
    {
        case AudioProperty::mute:       value = d->description.mute; return AudioProperty::noError;
        case AudioProperty::playThru:   value = d->description.playThru; return AudioProperty::noError;
        case AudioProperty::dataSource: value = d->description.dataSource; return AudioProperty::noError;
        default:                        return AudioProperty::unknownProperty;
    }
}

int AudioHardware::getFloat32Property (AudioObjectID id, const AudioPropertyAddress& address, float& value) const
{
    const std::lock_guard<std::recursive_mutex> guard (lock);
    const auto* d = findListed (id);

    if (d == nullptr)
        return AudioProperty::badObject;

    if (address.mSelector != AudioProperty::volumeScalar)
        return AudioProperty::unknownProperty;

    if (const auto status = readStatus (id, address.mSelector); status != AudioProperty::noError)
        return status;

    value = d->description.volume;
    return AudioProperty::noError;
}

int AudioHardware::addPropertyListener (AudioObjectID id, const AudioPropertyAddress& address,
                                        AudioPropertyListenerProc proc, void* clientData)
{
    const std::lock_guard<std::recursive_mutex> guard (lock);
    const auto* d = findListed (id);

    if (d == nullptr || proc == nullptr)
        return AudioProperty::badObject;

    const auto existing = std::find_if (listeners.begin(), listeners.end(), [&] (const Listener& l)
    {
        return l.device == id && l.proc == proc && l.clientData == clientData && sameAddress (l.address, address);
    });

    const bool alreadyInstalled = existing != listeners.end();

    if (const auto status = faults != nullptr ? faults->listenerInstallStatus (id, alreadyInstalled) : 0; status != 0)
        return status;

    if (! alreadyInstalled)
        listeners.push_back ({ id, address, proc, clientData });

    return AudioProperty::noError;
}

int AudioHardware::removePropertyListener (AudioObjectID id, const AudioPropertyAddress& address,
                                           AudioPropertyListenerProc proc, void* clientData)
{
    const std::lock_guard<std::recursive_mutex> guard (lock);
    const auto before = listeners.size();

    listeners.erase (std::remove_if (listeners.begin(), listeners.end(), [&] (const Listener& l)
    {
        return l.device == id && l.proc == proc && l.clientData == clientData && sameAddress (l.address, address);
    }), listeners.end());

    return listeners.size() < before ? AudioProperty::noError : AudioProperty::badObject;
}

//==============================================================================
AudioObjectID AudioHardware::addDevice (const AudioDeviceDescription& description)
{
    const std::lock_guard<std::recursive_mutex> guard (lock);
    const auto id = nextId++;
    devices[id] = Device { description, {}, 0, 0 };
    order.push_back (id);
    return id;
}

void AudioHardware::removeDevice (AudioObjectID id)
{
    const std::lock_guard<std::recursive_mutex> guard (lock);
    devices.erase (id);
    order.erase (std::remove (order.begin(), order.end(), id), order.end());
    listeners.erase (std::remove_if (listeners.begin(), listeners.end(),
                                     [id] (const Listener& l) { return l.device == id; }),
                     listeners.end());
}

void AudioHardware::changeNominalRate (AudioObjectID id, double rate)
{
    const std::lock_guard<std::recursive_mutex> guard (lock);

    if (auto found = devices.find (id); found != devices.end())
        applyRate (id, found->second, rate);
}

void AudioHardware::notifyPropertyChanged (AudioObjectID id, const AudioPropertyAddress& address)
{
    queueNotification (id, address);
}

double AudioHardware::nominalRateOf (AudioObjectID id) const
{
    const std::lock_guard<std::recursive_mutex> guard (lock);
    const auto found = devices.find (id);
    return found != devices.end() ? found->second.description.nominalRate : 0.0;
}

std::optional<AudioStreamFormat> AudioHardware::physicalFormatOf (AudioObjectID id, std::uint32_t scope) const
{
    const std::lock_guard<std::recursive_mutex> guard (lock);
    const auto found = devices.find (id);

    if (found == devices.end())
        return std::nullopt;

    const auto format = found->second.formats.find (scope);
    return format != found->second.formats.end() ? std::optional<AudioStreamFormat> (format->second) : std::nullopt;
}

int AudioHardware::numRateSets (AudioObjectID id) const
{
    const std::lock_guard<std::recursive_mutex> guard (lock);
    const auto found = devices.find (id);
    return found != devices.end() ? found->second.rateSets : 0;
}

int AudioHardware::numFormatSets (AudioObjectID id) const
{
    const std::lock_guard<std::recursive_mutex> guard (lock);
    const auto found = devices.find (id);
    return found != devices.end() ? found->second.formatSets : 0;
}

int AudioHardware::numListeners (AudioObjectID id) const
{
    const std::lock_guard<std::recursive_mutex> guard (lock);
    return static_cast<int> (std::count_if (listeners.begin(), listeners.end(),
                                            [id] (const Listener& l) { return l.device == id; }));
}

bool AudioHardware::isDelivering() const
{
    std::unique_lock<std::recursive_mutex> guard (lock);
    return thread != nullptr && thread->isBusy();
}

bool AudioHardware::isNotificationThread() const
{
    std::unique_lock<std::recursive_mutex> guard (lock);
    return thread != nullptr && juce::Thread::getCurrentThread() == thread.get();
}

void AudioHardware::reset()
{
    std::unique_ptr<NotificationThread> old;

    {
        const std::lock_guard<std::recursive_mutex> guard (lock);
        old = std::move (thread);
    }

    // Outside the lock: a listener still running may need it to finish.
    old = nullptr;

    const std::lock_guard<std::recursive_mutex> guard (lock);
    devices.clear();
    order.clear();
    listeners.clear();
}

void AudioHardware::injectFaults (Faults* newFaults)
{
    const std::lock_guard<std::recursive_mutex> guard (lock);
    faults = newFaults;
}

//==============================================================================
const AudioHardware::Device* AudioHardware::findListed (AudioObjectID id) const
{
    const auto found = devices.find (id);

    if (found == devices.end() || (faults != nullptr && ! faults->isListed (id)))
        return nullptr;

    return &found->second;
}

AudioHardware::Device* AudioHardware::findListed (AudioObjectID id)
{
    return const_cast<Device*> (static_cast<const AudioHardware&> (*this).findListed (id));
}

int AudioHardware::readStatus (AudioObjectID id, std::uint32_t selector) const
{
    return faults != nullptr ? faults->readStatus (id, selector) : AudioProperty::noError;
}

int AudioHardware::findReadable (AudioObjectID id, std::uint32_t selector, const Device*& device) const
{
    device = findListed (id);

    if (device == nullptr)
        return AudioProperty::badObject;

    return readStatus (id, selector);
}

bool AudioHardware::followsRateSet (AudioObjectID id) const
{
    return faults == nullptr || faults->followsRateSet (id);
}

void AudioHardware::applyRate (AudioObjectID id, Device& d, double rate)
{
    if (d.description.nominalRate == rate)
        return;

    d.description.nominalRate = rate;
    queueNotification (id, rateChangedAddress);
}

void AudioHardware::queueNotification (AudioObjectID id, const AudioPropertyAddress& address)
{
    const std::lock_guard<std::recursive_mutex> guard (lock);

    // Started with the first notification rather than with the host, so that an idle host (the
    // product's, or one a test just reset at exit) has no thread racing the program's teardown.
    if (thread == nullptr)
        thread = std::make_unique<NotificationThread> (*this);

    thread->post (id, address);
}

void AudioHardware::dispatch (AudioObjectID id, const AudioPropertyAddress& address)
{
    std::vector<Listener> toCall;

    {
        const std::lock_guard<std::recursive_mutex> guard (lock);

        for (const auto& l : listeners)
            if (l.device == id && addressMatches (l.address, address))
                toCall.push_back (l);
    }

    for (const auto& l : toCall)
        l.proc (id, 1, &address, l.clientData);
}
