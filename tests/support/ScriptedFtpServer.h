#pragma once

#include <atomic>
#include <chrono>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "support/Patience.h"

namespace foldcraft::test {

// A server on 127.0.0.1, in a thread of the test, for what no real server says: it
// serves one control connection by a script (send this, expect that, stall there),
// then may pass the rest on to a real server (Proxy), breaking it at a chosen command;
// data connections then go to the real server directly. kPatience after Start() it
// gives up and notes an error (a client that ignored its timeout).
class ScriptedFtpServer {
public:
    // What the proxy does at the nth arrival of a command word ("" : on connecting).
    struct Fault {
        enum Kind { kDrop, kStall, kReply };
        std::string command;  // a command word, or a word and the start of its argument
        int occurrence = 1;
        Kind kind = kDrop;
        std::string reply = {};  // kReply: answered instead of the real server's reply
        bool after = false;      // act on the real server's final reply, not on the command
        std::string armedBy = {};  // count only once a line beginning so was sent
        bool every = false;        // act on every occurrence from `occurrence` on
    };

    ScriptedFtpServer();
    ~ScriptedFtpServer();
    ScriptedFtpServer(const ScriptedFtpServer&) = delete;
    ScriptedFtpServer& operator=(const ScriptedFtpServer&) = delete;

    int Port() const { return m_port; }

    ScriptedFtpServer& Send(const std::string& line) { return Add(kSend, line + "\r\n"); }
    ScriptedFtpServer& SendRaw(const std::string& bytes) { return Add(kSend, bytes); }
    // The next line must be `line`; a text ending in ',' or ' ' need only begin it.
    ScriptedFtpServer& Expect(const std::string& line) { return Add(kExpect, line); }
    ScriptedFtpServer& Drop() { return Add(kDrop); }    // closes the control connection
    ScriptedFtpServer& Stall() { return Add(kStall); }  // says nothing until the client goes
    // Connects to the address of the last PORT line, from another local address if given.
    ScriptedFtpServer& ConnectData(const std::string& from = {}) { return Add(kConnect, from); }
    // Listens and sends "227 Entering Passive Mode (address,p1,p2)."; AcceptData takes it.
    ScriptedFtpServer& ListenPassive(const std::string& address) { return Add(kListen, address); }
    ScriptedFtpServer& AcceptData() { return Add(kAccept); }
    // Reads the data connection to its end (kept in DataReceived) and closes it.
    ScriptedFtpServer& ReceiveData() { return Add(kReceive); }
    // Writes the bytes to the data connection and closes it.
    ScriptedFtpServer& SendData(const std::string& bytes) { return Add(kSendData, bytes); }
    // Passes the rest of the session on to the server on 127.0.0.1:port.
    ScriptedFtpServer& Proxy(int port, std::vector<Fault> faults = {});

    void Start();
    // Waits (at most limit) for the client to go; false when it did not (then stops).
    bool Finish(std::chrono::milliseconds limit = kPatience);

    // The client's lines (a bare LF ending marked " (no CR)" in scripted steps).
    std::vector<std::string> Received() const { return Locked(m_received); }
    std::vector<std::string> Errors() const { return Locked(m_errors); }
    std::string DataReceived() const { return Locked(m_data); }

private:
    enum Kind { kSend, kExpect, kDrop, kStall, kConnect, kListen, kAccept, kReceive, kSendData };
    struct Step {
        Kind kind;
        std::string text;
    };

    ScriptedFtpServer& Add(Kind kind, std::string text = {}) {
        m_steps.push_back({kind, std::move(text)});
        return *this;
    }
    template <typename T>
    T Locked(const T& value) const {
        std::lock_guard<std::mutex> lock(m_mutex);
        return value;
    }
    void Run();
    bool RunStep(const Step& step);
    void RunProxy();
    bool Wait(int fd, short events);
    bool ReadLine(int fd, std::string& buffer, std::string& line);  // with its LF
    bool ReadCommand(std::string& line);                            // from the client, recorded
    bool WriteAll(int fd, const std::string& bytes);
    void WaitUntilClientGoes();
    void Error(const std::string& text);

    std::vector<Step> m_steps;
    int m_upstreamPort = 0;
    std::vector<Fault> m_faults;
    int m_listenFd = -1;
    int m_port = 0;
    int m_controlFd = -1;
    int m_dataFd = -1;
    int m_passiveFd = -1;
    std::string m_clientBuffer;
    std::string m_lastPortLine;
    std::chrono::steady_clock::time_point m_deadline;
    std::atomic<bool> m_stop{false};
    std::atomic<bool> m_done{false};
    std::thread m_thread;

    mutable std::mutex m_mutex;
    std::vector<std::string> m_received;
    std::vector<std::string> m_errors;
    std::string m_data;
};

}  // namespace foldcraft::test
