#pragma once

#include <juce_core/juce_core.h>

#include <cstring>

#include <linux/netlink.h>
#include <linux/rtnetlink.h>
#include <linux/sock_diag.h>
#include <linux/unix_diag.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <sys/stat.h>
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

/** How many connections wait, not yet accepted, at the listening socket bound at file: the
    kernel's socket diagnostics, as `ss -xl` shows them. -1 when nothing listens there or the
    kernel does not say.
*/
inline int pendingConnections (const juce::File& file)
{
    struct stat bound {};
    if (::stat (file.getFullPathName().toRawUTF8(), &bound) != 0)
        return -1;

    const int fd = ::socket (AF_NETLINK, SOCK_DGRAM | SOCK_CLOEXEC, NETLINK_SOCK_DIAG);
    if (fd < 0)
        return -1;

    struct
    {
        nlmsghdr header;
        unix_diag_req request;
    } query {};
    query.header.nlmsg_len = sizeof (query);
    query.header.nlmsg_type = SOCK_DIAG_BY_FAMILY;
    query.header.nlmsg_flags = NLM_F_REQUEST | NLM_F_DUMP;
    query.request.sdiag_family = AF_UNIX;
    query.request.udiag_states = 1u << TCP_LISTEN;
    query.request.udiag_show = UDIAG_SHOW_VFS | UDIAG_SHOW_RQLEN;

    int result = -1;
    if (::send (fd, &query, sizeof (query), 0) == static_cast<ssize_t> (sizeof (query)))
    {
        alignas (nlmsghdr) char buffer[16384];

        for (bool done = false; ! done;)
        {
            const auto received = ::recv (fd, buffer, sizeof (buffer), 0);
            if (received <= 0)
                break;

            const auto size = static_cast<size_t> (received);

            for (size_t at = 0; at + sizeof (nlmsghdr) <= size;)
            {
                const auto* h = reinterpret_cast<const nlmsghdr*> (buffer + at);
                if (h->nlmsg_type == NLMSG_DONE || h->nlmsg_type == NLMSG_ERROR
                    || h->nlmsg_len < NLMSG_LENGTH (sizeof (unix_diag_msg)) || at + h->nlmsg_len > size)
                {
                    done = true;
                    break;
                }

                bool boundAtFile = false;
                int queued = -1;

                for (auto a = at + NLMSG_LENGTH (sizeof (unix_diag_msg)); a + sizeof (rtattr) <= at + h->nlmsg_len;)
                {
                    const auto* attribute = reinterpret_cast<const rtattr*> (buffer + a);
                    if (attribute->rta_len < sizeof (rtattr))
                        break;

                    if (attribute->rta_type == UNIX_DIAG_VFS)
                        boundAtFile = static_cast<const unix_diag_vfs*> (RTA_DATA (attribute))->udiag_vfs_ino == bound.st_ino;
                    else if (attribute->rta_type == UNIX_DIAG_RQLEN)
                        queued = static_cast<int> (static_cast<const unix_diag_rqlen*> (RTA_DATA (attribute))->udiag_rqueue);

                    a += RTA_ALIGN (attribute->rta_len);
                }

                if (boundAtFile)
                    result = queued;

                at += NLMSG_ALIGN (h->nlmsg_len);
            }
        }
    }

    ::close (fd);
    return result;
}
