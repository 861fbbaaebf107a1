#pragma once

#include <atomic>
#include <mutex>
#include <thread>
#include <vector>

// A TCP relay on 127.0.0.1 between the program and the test server, to break the network
// on purpose: connections can be cut (reset at once), frozen (open, but nothing passes) or
// cut after a number of bytes have gone to the program.
class CTcpProxy {
public:
    explicit CTcpProxy(int targetPort);
    ~CTcpProxy();
    CTcpProxy(const CTcpProxy&) = delete;
    CTcpProxy& operator=(const CTcpProxy&) = delete;

    int Port() const { return m_nPort; }
    // Resets every open connection; new ones are relayed again.
    void Cut();
    // Stops relaying (connections stay open, new ones are accepted but get no answer), or
    // starts again.
    void Freeze(bool frozen);
    // Resets every connection once this many more bytes have gone to the program.
    void CutAfter(long long bytes);

private:
    struct Pair {
        int client;
        int server;
    };
    void Loop();
    void CloseAll();

    int m_nListener = -1;
    int m_nPort = 0;
    int m_aWake[2] = {-1, -1};
    std::mutex m_mutex;
    std::vector<Pair> m_aPairs;
    std::atomic<bool> m_bStop{false};
    std::atomic<bool> m_bFrozen{false};
    std::atomic<bool> m_bCut{false};
    std::atomic<long long> m_nCutAfter{-1};
    int m_nTarget;
    std::thread m_thread;
};
