#pragma once

#include <juce_core/juce_core.h>

#include <cstring>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

/** The address of a local stream socket at file. */
inline sockaddr_un localSocketAddress (const juce::File& file)
{
    sockaddr_un address {};
    address.sun_family = AF_UNIX;
    std::strncpy (address.sun_path, file.getFullPathName().toRawUTF8(), sizeof (address.sun_path) - 1);
    return address;
}

/** A new local stream socket bound at file, for peers that squat on or leave behind a socket;
    -1 when it cannot be bound.
*/
inline int bindLocalSocket (const juce::File& file)
{
    const int fd = ::socket (AF_UNIX, SOCK_STREAM, 0);
    const auto address = localSocketAddress (file);

    if (::bind (fd, reinterpret_cast<const sockaddr*> (&address), sizeof (address)) != 0)
    {
        ::close (fd);
        return -1;
    }

    return fd;
}
