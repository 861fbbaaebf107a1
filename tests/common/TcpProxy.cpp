#include "common/TcpProxy.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>

namespace {

sockaddr_in loopback(int port) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(uint16_t(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return address;
}

// Closes a socket so that the peer sees a reset, not an orderly end.
void reset(int fd) {
    linger hard{1, 0};
    setsockopt(fd, SOL_SOCKET, SO_LINGER, &hard, sizeof hard);
    close(fd);
}

bool writeAll(int fd, const char* data, ssize_t size) {
    while (size > 0) {
        const ssize_t n = send(fd, data, size_t(size), MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        data += n;
        size -= n;
    }
    return true;
}

} // namespace

CTcpProxy::CTcpProxy(int targetPort) : m_nTarget(targetPort) {
    m_nListener = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address = loopback(0);
    bind(m_nListener, reinterpret_cast<sockaddr*>(&address), sizeof address);
    listen(m_nListener, 16);
    socklen_t size = sizeof address;
    getsockname(m_nListener, reinterpret_cast<sockaddr*>(&address), &size);
    m_nPort = ntohs(address.sin_port);
    if (pipe(m_aWake) != 0)
        m_aWake[0] = m_aWake[1] = -1;
    m_thread = std::thread([this] { Loop(); });
}

CTcpProxy::~CTcpProxy() {
    m_bStop = true;
    if (write(m_aWake[1], "x", 1) < 0) {
    }
    m_thread.join();
    CloseAll();
    close(m_nListener);
    close(m_aWake[0]);
    close(m_aWake[1]);
}

void CTcpProxy::Cut() {
    m_bCut = true;
    if (write(m_aWake[1], "x", 1) < 0) {
    }
}

void CTcpProxy::Freeze(bool frozen) {
    m_bFrozen = frozen;
    if (write(m_aWake[1], "x", 1) < 0) {
    }
}

void CTcpProxy::CutAfter(long long bytes) {
    m_nCutAfter = bytes;
}

void CTcpProxy::CloseAll() {
    std::lock_guard<std::mutex> lock(m_mutex);
    for (const Pair& pair : m_aPairs) {
        reset(pair.client);
        reset(pair.server);
    }
    m_aPairs.clear();
}

void CTcpProxy::Loop() {
    char buffer[65536];
    while (!m_bStop) {
        if (m_bCut.exchange(false))
            CloseAll();
        std::vector<pollfd> fds{{m_aWake[0], POLLIN, 0}, {m_nListener, POLLIN, 0}};
        std::vector<Pair> pairs;
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            pairs = m_aPairs;
        }
        if (!m_bFrozen) {
            for (const Pair& pair : pairs) {
                fds.push_back({pair.client, POLLIN, 0});
                fds.push_back({pair.server, POLLIN, 0});
            }
        }
        if (poll(fds.data(), fds.size(), 200) <= 0)
            continue;
        if (fds[0].revents) {
            if (read(m_aWake[0], buffer, sizeof buffer) < 0) {
            }
        }
        if (fds[1].revents & POLLIN) {
            const int client = accept(m_nListener, nullptr, nullptr);
            const int server = socket(AF_INET, SOCK_STREAM, 0);
            const sockaddr_in target = loopback(m_nTarget);
            if (client >= 0 &&
                connect(server, reinterpret_cast<const sockaddr*>(&target), sizeof target) == 0) {
                std::lock_guard<std::mutex> lock(m_mutex);
                m_aPairs.push_back({client, server});
            } else {
                reset(client);
                reset(server);
            }
        }
        for (size_t i = 2; i < fds.size(); ++i) {
            if (!fds[i].revents)
                continue;
            const Pair pair = pairs[(i - 2) / 2];
            const bool fromClient = fds[i].fd == pair.client;
            const ssize_t n = recv(fds[i].fd, buffer, sizeof buffer, 0);
            if (n <= 0 || !writeAll(fromClient ? pair.server : pair.client, buffer, n)) {
                // One side ended: so does the other.
                std::lock_guard<std::mutex> lock(m_mutex);
                std::erase_if(m_aPairs, [&](const Pair& p) { return p.client == pair.client; });
                reset(pair.client);
                reset(pair.server);
                break;
            }
            if (!fromClient && m_nCutAfter >= 0 && (m_nCutAfter -= n) <= 0) {
                m_nCutAfter = -1;
                CloseAll();
                break;
            }
        }
    }
}
