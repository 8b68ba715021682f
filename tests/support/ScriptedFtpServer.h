#pragma once

#include <atomic>
#include <chrono>
#include <map>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

namespace foldcraft::test {

// A small FTP server on 127.0.0.1 that runs in a thread of the test and follows a
// script: send this, expect that, drop the connection here, stall there. It serves
// one control connection. When the script ends it either serves the rest of the
// session as a plain, well-behaved server (Serve, with optional faults) or keeps
// reading and recording lines until the client goes.
//
// Every wait of the server is bounded (30 s in all), so a broken client cannot hang
// a test. Build the script before Start().
class ScriptedFtpServer {
public:
    // A fault of the serving mode: at the nth arrival of a command word, do this.
    struct Fault {
        enum Kind {
            kDrop,            // close the control connection at once
            kStall,           // say nothing more; wait until the client goes
            kReply,           // answer with `reply` instead
            kStallData,       // STOR: 150, take the data connection, never read it
            kDropData,        // STOR: 150, read a little (kept as the file), close it, 426
            kDropAfterData,   // STOR: read all data, then close the control connection
            kStallAfterData,  // STOR: read all data, then never send the final reply
        };
        std::string command;  // "USER", "PASS", "CWD", "MKD", "TYPE", "PORT", "STOR", ...
        int occurrence = 1;   // 1 = the first time the command arrives
        Kind kind = kDrop;
        std::string reply;
    };

    ScriptedFtpServer();
    ~ScriptedFtpServer();
    ScriptedFtpServer(const ScriptedFtpServer&) = delete;
    ScriptedFtpServer& operator=(const ScriptedFtpServer&) = delete;

    int Port() const { return m_port; }

    ScriptedFtpServer& Send(const std::string& line) { return Add(Step::kSend, line + "\r\n"); }
    ScriptedFtpServer& SendRaw(const std::string& bytes) { return Add(Step::kSend, bytes); }
    // The next line must equal `line` (or start with `prefix`).
    ScriptedFtpServer& Expect(const std::string& line) { return Add(Step::kExpect, line); }
    ScriptedFtpServer& ExpectPrefix(const std::string& prefix) {
        return Add(Step::kExpectPrefix, prefix);
    }
    ScriptedFtpServer& Drop() { return Add(Step::kDrop); }    // close the control connection
    ScriptedFtpServer& Stall() { return Add(Step::kStall); }  // say nothing until the client goes
    // Connects to the address of the last PORT line.
    ScriptedFtpServer& ConnectData() { return Add(Step::kConnectData); }
    // The same from another local address (such as "127.0.0.2").
    ScriptedFtpServer& ConnectDataFrom(const std::string& address) {
        return Add(Step::kConnectData, address);
    }
    // Listens for a data connection and sends "227 Entering Passive Mode (addr,p1,p2)."
    // with the given address numbers ("127,0,0,1" unless told).
    ScriptedFtpServer& ListenPassive(const std::string& address = "127,0,0,1") {
        return Add(Step::kListenPassive, address);
    }
    ScriptedFtpServer& AcceptData() { return Add(Step::kAcceptData); }
    // Reads the data connection to its end, then closes it.
    ScriptedFtpServer& ReceiveData() { return Add(Step::kReceiveData); }
    // Writes the bytes to the data connection, then closes it.
    ScriptedFtpServer& SendData(const std::string& bytes) { return Add(Step::kSendData, bytes); }
    ScriptedFtpServer& Serve(std::vector<Fault> faults = {}) {
        m_faults = std::move(faults);
        return Add(Step::kServe);
    }

    // Starts the server thread (the listening socket is open since construction).
    void Start();
    // Waits until the script has run and the client has gone, at most `limit`. False
    // when the server was still busy (it is then stopped).
    bool Finish(std::chrono::milliseconds limit = std::chrono::seconds(10));

    // Every line the client sent, in order.
    std::vector<std::string> Received() const { return Locked(m_received); }
    std::vector<std::string> Errors() const { return Locked(m_errors); }  // script mismatches
    std::string DataReceived() const { return Locked(m_data); }  // of every ReceiveData, in order
    // Serve: STOR name -> bytes (RNFR/RNTO move, DELE removes, RETR reads them). Put
    // files there before Start() to have the server hold them from the outset.
    void PutFile(const std::string& name, const std::string& bytes) { m_files[name] = bytes; }
    std::map<std::string, std::string> Files() const { return Locked(m_files); }

private:
    struct Step {
        enum Kind {
            kSend,
            kExpect,
            kExpectPrefix,
            kDrop,
            kStall,
            kConnectData,
            kListenPassive,
            kAcceptData,
            kReceiveData,
            kSendData,
            kServe
        };
        Kind kind;
        std::string text;
    };

    ScriptedFtpServer& Add(Step::Kind kind, std::string text = {}) {
        m_steps.push_back({kind, std::move(text)});
        return *this;
    }
    template <typename T>
    T Locked(const T& value) const {
        std::lock_guard<std::mutex> lock(m_mutex);
        return value;
    }
    void Run();
    bool RunScript();
    void ServeSession();
    bool ReadLine(std::string& line);  // false when the client went or time ran out
    bool WriteAll(int fd, const std::string& bytes);
    void WaitUntilClientGoes();
    bool ConnectToPort(const std::string& portLine, const std::string& from = {});
    bool OpenPassiveListener(int& port);
    bool AcceptDataConnection();
    std::string ReadDataToEnd(std::size_t limit = std::string::npos);
    void CloseData();
    bool TimeLeft() const;
    void Record(const std::string& line);
    void Error(const std::string& text);

    std::vector<Step> m_steps;
    std::vector<Fault> m_faults;
    int m_listenFd = -1;
    int m_port = 0;
    int m_controlFd = -1;
    int m_dataFd = -1;
    int m_passiveFd = -1;
    std::string m_readBuffer;
    std::string m_lastPortLine;
    std::chrono::steady_clock::time_point m_deadline;
    std::atomic<bool> m_stop{false};
    std::atomic<bool> m_done{false};
    std::thread m_thread;

    mutable std::mutex m_mutex;
    std::vector<std::string> m_received;
    std::vector<std::string> m_errors;
    std::string m_data;
    std::map<std::string, std::string> m_files;
    std::set<std::string> m_directories;
};

}  // namespace foldcraft::test
