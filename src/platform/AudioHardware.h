#pragma once

#include <juce_core/juce_core.h>

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

/** An audio object's id; 0 is none. */
using AudioObjectID = std::uint32_t;

/** Packs four characters into a property code, the first in the high byte. */
constexpr std::uint32_t fourCharCode (const char (&code)[5])
{
    return (static_cast<std::uint32_t> (static_cast<unsigned char> (code[0])) << 24)
         | (static_cast<std::uint32_t> (static_cast<unsigned char> (code[1])) << 16)
         | (static_cast<std::uint32_t> (static_cast<unsigned char> (code[2])) << 8)
         |  static_cast<std::uint32_t> (static_cast<unsigned char> (code[3]));
}

/** Which property of an audio object, in which scope and element. */
struct AudioPropertyAddress
{
    std::uint32_t mSelector = 0;
    std::uint32_t mScope = 0;
    std::uint32_t mElement = 0;
};

/** Property selectors, scopes and elements of the audio hardware. */
namespace AudioProperty
{
    constexpr AudioObjectID systemObject = 1;

    constexpr std::uint32_t devices             = fourCharCode ("dev#");
    constexpr std::uint32_t deviceUID           = fourCharCode ("uid ");
    constexpr std::uint32_t name                = fourCharCode ("lnam");
    constexpr std::uint32_t manufacturer        = fourCharCode ("lmak");
    constexpr std::uint32_t streamConfiguration = fourCharCode ("slay");
    constexpr std::uint32_t nominalSampleRate   = fourCharCode ("nsrt");
    constexpr std::uint32_t physicalFormat      = fourCharCode ("pft ");
    constexpr std::uint32_t mute                = fourCharCode ("mute");
    constexpr std::uint32_t playThru            = fourCharCode ("thru");
    constexpr std::uint32_t volumeScalar        = fourCharCode ("volm");
    constexpr std::uint32_t dataSource          = fourCharCode ("ssrc");
    constexpr std::uint32_t selectorWildcard    = fourCharCode ("****");

    constexpr std::uint32_t scopeGlobal   = fourCharCode ("glob");
    constexpr std::uint32_t scopeInput    = fourCharCode ("inpt");
    constexpr std::uint32_t scopeOutput   = fourCharCode ("outp");
    constexpr std::uint32_t scopeWildcard = fourCharCode ("****");

    constexpr std::uint32_t elementMain     = 0;
    constexpr std::uint32_t elementWildcard = 0xffffffff;

    constexpr std::uint32_t formatLinearPCM = fourCharCode ("lpcm");

    /** Status codes of the hardware's calls; 0 is success. */
    constexpr int noError = 0;
    constexpr int badObject = fourCharCode ("!obj");
    constexpr int unknownProperty = fourCharCode ("who?");
    constexpr int unsupported = fourCharCode ("!sup");
    constexpr int badSize = fourCharCode ("!siz");
}

/** A stream's physical format: 40 bytes, as the hardware takes it. */
struct AudioStreamFormat
{
    double mSampleRate = 0.0;
    std::uint32_t mFormatID = 0;
    std::uint32_t mFormatFlags = 0;
    std::uint32_t mBytesPerPacket = 0;
    std::uint32_t mFramesPerPacket = 0;
    std::uint32_t mBytesPerFrame = 0;
    std::uint32_t mChannelsPerFrame = 0;
    std::uint32_t mBitsPerChannel = 0;
    std::uint32_t mReserved = 0;

    bool operator== (const AudioStreamFormat& other) const;
};

static_assert (sizeof (AudioStreamFormat) == 40, "the hardware takes a 40-byte format");

/** Called on the hardware's notification thread when watched properties change. Returns 0. */
using AudioPropertyListenerProc = int (*) (AudioObjectID device, std::uint32_t numberAddresses,
                                           const AudioPropertyAddress* addresses, void* clientData);

/** One audio device as the system describes it when it appears. */
struct AudioDeviceDescription
{
    juce::String uid, name, manufacturer;

    /** Number of stream buffers per direction; 0 means no streams in that direction. */
    std::uint32_t inputBuffers = 0, outputBuffers = 0;

    double nominalRate = 48000.0;

    /** True when no one here can set the rate: rate and format sets fail (unsupported), and the
        rate changes only as the system reports it (an ALSA card, whose streams choose theirs).
    */
    bool rateIsFixed = false;

    std::uint32_t mute = 0, playThru = 0, dataSource = 0;
    float volume = 1.0f;
};

/** The system's audio devices as the device link sees them: a device list, per-device
    properties, and property listeners that are called on a notification thread of the
    hardware's own. What it holds is reported by the system's side: on Linux UdevPresence adds
    the interface's ALSA card and follows its rate; tests add devices themselves.

    Every function may be called from any thread.
*/
class AudioHardware final
{
public:
    AudioHardware();
    ~AudioHardware();

    //==============================================================================
    // What the device link asks; each returns a status, 0 on success.

    /** Size in bytes of the system's device list (4 per device). */
    int getDeviceListSize (std::uint32_t& bytes) const;

    /** The listed devices, in list order, as many as fit in bytes. */
    int getDeviceList (std::uint32_t bytes, std::vector<AudioObjectID>& devices) const;

    /** The UID, name or manufacturer of a device (any scope). */
    int getStringProperty (AudioObjectID, const AudioPropertyAddress&, juce::String& value) const;

    /** Size in bytes of a device's stream configuration in a direction's scope. */
    int getStreamConfigurationSize (AudioObjectID, std::uint32_t scope, std::uint32_t& bytes) const;

    /** The number of stream buffers of a device in a direction's scope. */
    int getStreamConfiguration (AudioObjectID, std::uint32_t scope, std::uint32_t& numberBuffers) const;

    int getNominalSampleRate (AudioObjectID, const AudioPropertyAddress&, double& rate) const;
    int setNominalSampleRate (AudioObjectID, const AudioPropertyAddress&, double rate);

    /** Sets a stream's physical format; the format's rate becomes the device's nominal rate. */
    int setPhysicalFormat (AudioObjectID, const AudioPropertyAddress&, const AudioStreamFormat&);

    /** Reads mute, play-through or data source. */
    int getUInt32Property (AudioObjectID, const AudioPropertyAddress&, std::uint32_t& value) const;

    /** Reads the volume scalar. */
    int getFloat32Property (AudioObjectID, const AudioPropertyAddress&, float& value) const;

    /** Installs a listener for the addresses that match (wildcards match everything). Installing
        the same listener again keeps one installation.
    */
    int addPropertyListener (AudioObjectID, const AudioPropertyAddress&, AudioPropertyListenerProc, void* clientData);
    int removePropertyListener (AudioObjectID, const AudioPropertyAddress&, AudioPropertyListenerProc, void* clientData);

    //==============================================================================
    // The system's side: a backend (or a test in its place) reports what it finds.

    /** Adds a device to the end of the system list. */
    AudioObjectID addDevice (const AudioDeviceDescription&);
    void removeDevice (AudioObjectID);

    /** Changes a device's rate as another program did; its listeners are told. */
    void changeNominalRate (AudioObjectID, double rate);

    /** Tells a device's listeners that a property changed. No Linux backend follows the mute,
        volume or data source, so only tests call this.
    */
    void notifyPropertyChanged (AudioObjectID, const AudioPropertyAddress&);

    //==============================================================================
    // What tests look at; the device link never asks.

    /** A device's rate, listed or not. */
    double nominalRateOf (AudioObjectID) const;
    std::optional<AudioStreamFormat> physicalFormatOf (AudioObjectID, std::uint32_t scope) const;
    int numRateSets (AudioObjectID) const;
    int numFormatSets (AudioObjectID) const;
    int numListeners (AudioObjectID) const;

    /** True while a notification waits or a listener runs. */
    bool isDelivering() const;

    /** True when called from within a listener on the notification thread. */
    bool isNotificationThread() const;

    //==============================================================================
    /** Forgets every device and listener; a listener still running is asked to give up its
        wait. The product's hardware lives as long as the process; tests reset it between cases.
    */
    void reset();

    //==============================================================================
    /** Test seam: how the hardware misbehaves in a test. The product injects none. Consulted
        under the hardware's lock, from any thread.
    */
    class Faults
    {
    public:
        virtual ~Faults() = default;

        /** Status of reading the system's device list; 0 = it can be read. */
        virtual int deviceListStatus() = 0;

        /** False while a device, already added, is not yet listed. */
        virtual bool isListed (AudioObjectID) = 0;

        /** Status of reading a property of a device; 0 = it can be read. */
        virtual int readStatus (AudioObjectID, std::uint32_t selector) = 0;

        /** False when a device accepts this rate or format set but does not follow it. */
        virtual bool followsRateSet (AudioObjectID) = 0;

        /** Status of installing a listener on a device; alreadyInstalled says that the same
            listener is there. 0 = installed (once).
        */
        virtual int listenerInstallStatus (AudioObjectID, bool alreadyInstalled) = 0;
    };

    /** Installs a test's faults (null: none), which must outlive their installation. */
    void injectFaults (Faults*);

private:
    struct Device
    {
        AudioDeviceDescription description;
        std::map<std::uint32_t, AudioStreamFormat> formats;
        int rateSets = 0, formatSets = 0;
    };

    struct Listener
    {
        AudioObjectID device;
        AudioPropertyAddress address;
        AudioPropertyListenerProc proc;
        void* clientData;
    };

    class NotificationThread;

    const Device* findListed (AudioObjectID) const;
    Device* findListed (AudioObjectID);
    int readStatus (AudioObjectID, std::uint32_t selector) const;
    int findReadable (AudioObjectID, std::uint32_t selector, const Device*& device) const;
    bool followsRateSet (AudioObjectID) const;
    void applyRate (AudioObjectID, Device&, double rate);
    void queueNotification (AudioObjectID, const AudioPropertyAddress&);
    void dispatch (AudioObjectID, const AudioPropertyAddress&);

    mutable std::recursive_mutex lock;
    AudioObjectID nextId = 40;
    Faults* faults = nullptr;
    std::map<AudioObjectID, Device> devices;
    std::vector<AudioObjectID> order;
    std::vector<Listener> listeners;
    std::unique_ptr<NotificationThread> thread;
};
