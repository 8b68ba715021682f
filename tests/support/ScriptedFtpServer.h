#pragma once

#include <atomic>
#include <chrono>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "support/Patience.h"

namespace foldcraft::test {

// A server on 127.0.0.1, in a thread of the test, for what no real server says: it
// serves one control connection by a script (send this, expect that, stall there).
// kPatience after Start() it gives up and notes an error (a client that ignored its
// timeout).
//
// Or it passes every control connection that arrives on to a real server (ProxyAll),
// each in a thread of its own, breaking chosen ones at a chosen command; data
// connections go to the real server directly. A connection still there kPatience
// after its arrival is noted as an error and the proxy stops. Nothing waits for it
// longer than Finish's limit, and the destructor stops it.
class ScriptedFtpServer {
public:
    // What the proxy does at the nth arrival of a command word ("" : on connecting) on
    // a control connection (counted on each connection by itself).
    struct Fault {
        enum Kind {
            kDrop,    // closes the client's control connection and the real server's
            kStall,   // passes nothing more on; waits until the client goes
            kReply,   // answers `reply` instead of the real server, and goes on
            kRefuse,  // answers `reply`, then closes as kDrop does; on connecting ("")
                      // the real server is not even contacted
        };
        std::string command;  // a command word, or a word and the start of its argument
        int occurrence = 1;
        Kind kind = kDrop;
        std::string reply = {};    // kReply, kRefuse: a line, sent with CR LF
        bool after = false;        // act on the real server's final reply, not on the command
        std::string armedBy = {};  // count only once a line beginning so was sent
        bool every = false;        // act on every occurrence from `occurrence` on
        // The control connections it is aimed at, numbered from 1 in order of arrival:
        // the nth (with laterToo: the nth and every later one), or every one when 0.
        int connection = 0;
        bool laterToo = false;
        // Act right after the real server's preliminary (1xx) reply, passed on first:
        // the transfer of a STOR or RETR is then under way. A command without one is
        // acted on at its final reply, as with `after`. kReply here answers `reply` at
        // once and holds back the real server's final reply.
        bool preliminary = false;
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
    // Instead of one scripted session: accepts every control connection from Start()
    // until Finish() and passes each on to the server on 127.0.0.1:port (a connection
    // of its own there, made when the client connects). Scripted steps are not run.
    ScriptedFtpServer& ProxyAll(int port, std::vector<Fault> faults = {});

    void Start();
    // Waits (at most limit) for the client to go, or with ProxyAll for every connection
    // accepted so far to end (at once when none is open); false when that did not
    // happen (then stops: the connections still open are closed). No connection is
    // accepted afterwards.
    bool Finish(std::chrono::milliseconds limit = kPatience);

    // The client's lines (a bare LF ending marked " (no CR)" in scripted steps), with
    // ProxyAll those of every connection in the order they arrived.
    std::vector<std::string> Received() const { return Locked(m_received); }
    std::vector<std::string> Errors() const { return Locked(m_errors); }
    std::string DataReceived() const { return Locked(m_data); }
    // How many control connections were accepted so far (refused ones too).
    int Accepted() const;
    // The lines received on the nth connection (1-based, in order of arrival), as
    // Received() has them but with a password shown as "PASS ******"; empty for a
    // connection that sent none or was not accepted.
    std::vector<std::string> Commands(int connection) const;

private:
    enum Kind { kSend, kExpect, kDrop, kStall, kConnect, kListen, kAccept, kReceive, kSendData };
    struct Step {
        Kind kind;
        std::string text;
    };
    using Clock = std::chrono::steady_clock;
    // One control connection from a client.
    struct Peer {
        int fd = -1;
        std::string buffer;  // read from the client, not yet taken
        int number = 0;      // 1-based, in order of arrival
        Clock::time_point deadline;
        std::string last;  // the last line read from the client
    };
    enum class ReplyEnd { kGone, kPreliminary, kFinal };

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
    void RunAll();
    bool RunStep(const Step& step);
    void RunProxy(Peer& peer);
    const Fault* FaultAt(const Peer& peer, const std::string& word, const std::string& line, int n,
                         std::map<std::string, int>& seen) const;
    // Reads the real server's reply (into buffer first) to its final line, passing it
    // on to the client unless `pass` is false; with a fault, holds back the final line,
    // and stops after a preliminary reply when the fault acts there.
    ReplyEnd PassReply(Peer& peer, int upstream, std::string& buffer, const Fault* fault,
                       bool pass);
    bool Wait(const Peer& peer, int fd, short events);  // until peer's deadline
    bool ReadLine(const Peer& peer, int fd, std::string& buffer, std::string& line);  // with LF
    bool ReadCommand(Peer& peer, std::string& line);  // from the client, recorded
    bool WriteAll(const Peer& peer, int fd, const std::string& bytes);
    void WaitUntilClientGoes(Peer& peer);
    void Error(const std::string& text);

    std::vector<Step> m_steps;
    int m_upstreamPort = 0;  // ProxyAll's real server; 0 for a scripted session
    std::vector<Fault> m_faults;
    int m_listenFd = -1;
    int m_port = 0;
    Peer m_session;  // the scripted one
    int m_dataFd = -1;
    int m_passiveFd = -1;
    std::string m_lastPortLine;
    std::atomic<bool> m_stop{false};
    std::atomic<bool> m_done{false};
    std::atomic<int> m_open{0};  // ProxyAll: connections accepted and not yet ended
    std::thread m_thread;

    mutable std::mutex m_mutex;
    std::vector<std::string> m_received;
    std::vector<std::vector<std::string>> m_commands;  // by connection
    std::vector<std::string> m_errors;
    std::string m_data;
};

}  // namespace foldcraft::test
