#pragma once

#include "platform/RawUsbDevice.h"
#include "platform/UsbRegistry.h"

#include <memory>

/** The panel's own handle to the interface's USB device: opened and configured when the interface
    appears, held until it leaves, the firmware updater starts or the panel goes. Nothing is ever
    transferred through it. Diagnostics go to standard output.

    Everything here runs on the message thread.
*/

constexpr int usbVendorId = 0x7A1C;
constexpr int usbProductId = 0x0025;

/** The opened and configured device interface; null when none is held. */
extern std::shared_ptr<RawUsbDeviceInterface> gUSBdevice;

/** Registers for the interface's arrival and removal and takes an interface already plugged in.
    Starts by releasing a held device and any earlier registration.
*/
void registerRawUsbNotifications();

/** Ends the notifications made by registerRawUsbNotifications. */
void releaseRawUsbNotifications();

/** Closes and forgets the held device, then drains the removal notifications. */
void releaseUSBDevice();

/** Arrival callback: opens and configures each matching device; refcon is unused. */
void RawDeviceAdded (void* refcon, UsbObject iterator);

/** Removal callback: releases every removed entry and forgets the held device (without closing
    it: its device has gone); refcon is unused.
*/
void RawDeviceRemoved (void* refcon, UsbObject iterator);
