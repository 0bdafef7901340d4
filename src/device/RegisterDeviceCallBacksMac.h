#pragma once

#include "platform/AudioHardware.h"
#include "platform/UsbRegistry.h"

#include <atomic>
#include <cstdint>
#include <string>

/** The interface's presence: its arrival on and removal from USB, system sleep and wake, and
    changes of its two audio devices, reported through one callback. The layer also binds the
    interface's input and output audio devices and keeps their sample rates equal.

    initDevice and the USB and power callbacks run on the message thread; the audio property
    listener runs on the audio hardware's notification thread.
*/

/** What the layer reports. The underlying type is fixed so that any number a caller passes is a
    valid value, handled as "nothing to do".
*/
enum OVK_CallbackEvent : int
{
    deviceArrived = 1,          ///< matched on USB, both audio devices bound
    deviceRemoved = 2,          ///< the interface's USB device terminated
    devicePropertyChanged = 3,  ///< a watched property of a bound audio device changed
    systemWillSleep = 5,
    systemWillPowerOn = 6,
    systemHasPoweredOn = 7
};

/** Receives every event; reserved is always null. Called on the message thread, or on the audio
    notification thread for devicePropertyChanged.
*/
using OVK_EventCallback = void (*) (void* context, void* reserved, OVK_CallbackEvent event);

/** The interface to look for and where to report it. */
struct DeviceStruct
{
    std::atomic<void*> context { nullptr };
    std::uint32_t vendorId = 0;
    std::uint32_t productIds[3] {};
    std::string usbProductName;
    std::string audioDeviceName;
    std::string manufacturerName;
    std::atomic<OVK_EventCallback> eventCallback { nullptr };
};

/** The one record; its address is the reference handed to every registration of the layer. */
extern DeviceStruct mydeviceStruct;

/** The bound input and output audio devices; 0 = not bound. Written on the message thread, read
    also by the property listener on the notification thread.
*/
extern std::atomic<AudioObjectID> gInAudioObjectID;
extern std::atomic<AudioObjectID> gOutAudioObjectID;

/** The connection of the power registration; every power acknowledgement goes through it. */
extern std::uint32_t root_port;

//==============================================================================
/** Fills mydeviceStruct, registers for power and USB notifications and scans the devices already
    present, so that a plugged-in interface raises deviceArrived before this returns. A repeated
    call first releases the registrations of the previous one. Message thread.
*/
void initDevice (OVK_EventCallback eventCallback, void* context, int vendorId, int productId,
                 const char* usbProductName, const char* audioDeviceName, const char* manufacturerName);

/** Ends every registration made by initDevice, including the property listeners, and forgets the
    callback; no event is raised afterwards. The bound device ids stay. Message thread.
*/
void releaseDeviceNotifications();

/** Sets the nominal rate of both bound devices (32000 Hz: their physical format) and returns
    whether the two then report the same rate. Blocks up to 300 ms. Message thread.
*/
bool hw_setSampleRate (double rate);

/** The interface's current rate: both devices' rate when they agree; otherwise the output's rate
    once both are set to it, or 0 when that fails or the output cannot be read.
*/
double hw_getAlignedSampleRate();

/** Reads a bound device's nominal rate into rate (left alone on failure); 0 on success. */
int readNominalSampleRate (AudioObjectID device, double& rate);

/** Sets a device's physical stream format in a scope; the result is not examined by callers. */
int setPhysicalStreamFormat (AudioObjectID device, std::uint32_t scope, const AudioStreamFormat& format);

/** Binds the audio devices whose name and manufacturer fit, for each direction in which they
    have streams, and installs the property listener on them. Message thread.
*/
void CreateInputDeviceArray (const juce::String& deviceName, const juce::String& manufacturer, DeviceStruct& record);

/** USB arrival: binds the audio devices (retrying once a second, up to five attempts) and raises
    deviceArrived. Message thread.
*/
void USBPlugCallback (void* refcon, UsbObject iterator);

/** USB removal: raises deviceRemoved and unbinds both audio devices. Message thread. */
void USBRemoveCallback (void* refcon, UsbObject iterator);

/** System power messages; raises the sleep and wake events and acknowledges. Message thread. */
void MySleepCallBack (void* refcon, std::uint32_t service, std::uint32_t messageType, void* argument);

/** The audio property listener; raises devicePropertyChanged and aligns the sample rates.
    Audio notification thread. Always returns 0.
*/
int myAudioObjectPropertyListenerProc (AudioObjectID device, std::uint32_t numberAddresses,
                                       const AudioPropertyAddress* addresses, void* clientData);
