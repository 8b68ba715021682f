#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// Foldcraft's own FTP client: one control connection over TCP (IPv4), text commands
// and numbered replies, login directly or through one of eight kinds of firewall or
// proxy, directory creation and binary file transfer over one data connection per
// file (active mode by default, passive on request).
//
// Every operation reports failure by its result and leaves a text in m_strLastReply:
// the server's reply line when a reply has the wrong class, otherwise one of the
// k... texts below. Nothing waits forever: a connect, a reply, an accept or a data
// transfer that makes no progress for Timeout() fails with kNetworkError, and the
// control connection is then closed (its state is unknown), so later operations fail
// at once with kNetworkError.
//
// A command line is never sent when it holds CR, LF or NUL (kCommandRefused), and
// MakeDirectory and the transfers refuse a remote name with a ".." segment
// (kRemoteNameRefused), so nothing from a project can inject commands or climb out
// of the starting directory.
//
// In active mode the client listens on the control connection's local address and
// takes data only from the control connection's peer.
//
// Not thread-safe; one caller at a time. Destroying the link closes any connection
// without sending anything.
namespace foldcraft {
class TlsChannel;
}
typedef struct ssl_ctx_st SSL_CTX;

class CFTPLink {
public:
    static constexpr const char* kUnableToCreateSocket = "Unable to create socket.";
    static constexpr const char* kUnableToConnect = "Unable to connect to server.";
    static constexpr const char* kNetworkError = "Network error.";
    static constexpr const char* kLogonFailed = "Logon failed.";
    static constexpr const char* kUnableToOpenFile = "Unable to open file on local machine.";
    static constexpr const char* kFileError = "File error.";
    static constexpr const char* kCommandRefused = "Command refused: CR, LF or NUL in its text.";
    static constexpr const char* kRemoteNameRefused = "Remote name refused: \"..\" segment.";
    static constexpr const char* kNoTls = "Server does not support encrypted connections.";
    static constexpr const char* kTlsFailed = "Encrypted connection failed.";
    static constexpr const char* kTooLarge = "Remote file larger than allowed.";

    static constexpr std::size_t kBufferSize = 4096;  // reader, writer and data blocks
    static constexpr int kFirewallTypeCount = 9;

    // The login command codes of the logon sequence table (0 to 11).
    enum LogonCommand : int {
        kUser = 0,               // "USER " + user
        kPass = 1,               // "PASS " + password
        kAcct = 2,               // "ACCT " + account
        kFireUser = 3,           // "USER " + firewall user
        kFirePass = 4,           // "PASS " + firewall password
        kSite = 5,               // "SITE " + host
        kUserAtHost = 6,         // "USER " + user + "@" + host
        kOpen = 7,               // "OPEN " + host
        kFireUserAtHost = 8,     // "USER " + firewall user + "@" + host
        kUserAtHostFire = 9,     // "USER " + user + "@" + host + " " + firewall user
        kUserAtFireAtHost = 10,  // "USER " + user + "@" + firewall user + "@" + host
        kPassAtFirePass = 11,    // "PASS " + password + "@" + firewall password
    };

    // One step of a login sequence: the command to send and where to go on a 2xx or
    // 3xx reply (a step index of the same row, kLoggedOn or kFailed).
    struct LogonStep {
        int command;
        int on2xx;
        int on3xx;
    };
    static constexpr int kLoggedOn = -1;
    static constexpr int kFailed = -2;
    static constexpr int kMaxLogonSteps = 6;
    // The nine rows, by firewall type; a row ends at its first step with command -1.
    static const LogonStep kLogonTable[kFirewallTypeCount][kMaxLogonSteps];

    CFTPLink();
    ~CFTPLink();
    CFTPLink(const CFTPLink&) = delete;
    CFTPLink& operator=(const CFTPLink&) = delete;

    // Where and as whom Logon logs on. The firewall fields matter only for a
    // firewallType other than 0 (no firewall). Every field has its default, so that
    // a designated initializer names only those it needs.
    struct LogonSettings {
        std::string host{};
        int port = 21;
        std::string user{};
        std::string password{};
        std::string account{};
        std::string firewallHost{};
        std::string firewallUser{};
        std::string firewallPassword{};
        int firewallPort = 21;
        int firewallType = 0;  // the row of kLogonTable
    };

    // Connects (to the server for type 0, to the firewall otherwise), awaits a 2xx
    // greeting and walks the login sequence of the firewall type. False on any
    // failure; the connection may stay open, the caller destroys the link.
    bool Logon(const LogonSettings& settings);
    // From the next Logon on, explicit TLS is required: after the greeting "AUTH TLS"
    // (a refusal fails with kNoTls and TlsRefused(), before any user name or
    // password is sent; there is no fall-back to plain), the handshake, a check of
    // the server certificate against the system's CA store and the host connected
    // to, then "PBSZ 0" and "PROT P"; every data connection is TLS too, resuming the
    // control connection's session (the newest ticket of the control connection or
    // of an earlier data connection, as servers that require the session reused want),
    // must show the same certificate and ends with both sides' close_notify. A
    // certificate that fails the check is refused (CertificateRefused(); the
    // connection is closed without a further word) unless its SHA-256 fingerprint
    // equals pinnedFingerprint (hexadecimal, ":" optional; empty pins nothing).
    // m_strLastReply then says why: "Server certificate not trusted (self-signed
    // certificate). SHA-256 fingerprint: AB:CD:..." when nothing is pinned, "The
    // server's certificate does not match the trusted fingerprint: expected AB:CD:...,
    // the server showed 12:34:..." when another certificate is.
    void RequireTls(std::string pinnedFingerprint = {});
    bool TlsRefused() const { return m_bTlsRefused; }
    bool CertificateRefused() const { return m_bCertificateRefused; }
    // The server certificate's SHA-256 fingerprint ("AB:CD:...") once a handshake
    // happened, whether or not it was trusted.
    const std::string& PeerFingerprint() const { return m_strPeerFingerprint; }
    bool TlsActive() const { return m_tls != nullptr; }

    // Sends QUIT without waiting for the reply and closes the connection.
    void Logoff();

    // Sends the line (unless empty) and reads the reply; true for a 2xx reply.
    bool Command(const std::string& line);
    // "MKD " + name; true for 2xx, or for a reply beginning with "550" when the
    // directory is then confirmed to exist: "PWD", "CWD " + name, and back to where
    // the link was (by the PWD path, or by one "CDUP" per segment when PWD gave none).
    // A 550 for a directory that is not there fails with the 550 line in
    // m_strLastReply and DirectoryRefused() set; the link is then still where it was
    // and usable. Any other failure (other replies, a failed way back) clears
    // DirectoryRefused(). An empty name sends nothing and succeeds.
    bool MakeDirectory(const std::string& name);
    bool DirectoryRefused() const { return m_bDirectoryRefused; }
    // "RNFR " + from (a 3xx reply), then "RNTO " + to (2xx), sent together and
    // answered in turn. False on any other reply; LastCommandWord() then tells which
    // of the two was refused, and m_strLastReply holds its reply.
    bool Rename(const std::string& from, const std::string& to);
    // "DELE " + name; true for 2xx.
    bool DeleteFile(const std::string& name);
    // Stores local as remote (receive false) or retrieves remote into local (receive
    // true), binary, over a new data connection. True when the server's final reply
    // is 2xx and the data moved without error.
    bool TransferFile(const std::string& remote, const std::string& local, bool passive,
                      bool receive);

    // Transfers with the local side in the caller's hands, as TransferFile does
    // otherwise (binary, one data connection, the same name checks).
    //
    // StoreFrom sends what fd (open for reading; not closed) holds from its offset, but
    // never more than limit bytes: a file that grows meanwhile is sent as it was when
    // the caller measured it. StoreBytes sends bytes.
    bool StoreFrom(const std::string& remote, int fd, std::uint64_t limit, bool passive);
    bool StoreBytes(const std::string& remote, const std::string& bytes, bool passive);
    // Retrieves remote into out (replaced). More than limit bytes: fails with
    // kTooLarge and tooLarge set; the data connection is closed at once and the
    // server's final reply read, so the link stays usable (unless that reply does not
    // come: then the link is closed, as after any timeout). out then holds nothing.
    bool RetrieveTo(const std::string& remote, std::string& out, std::size_t limit, bool passive,
                    bool& tooLarge);
    // "NLST" (path empty) or "NLST " + path, in binary: the names the server lists, one
    // a line, empty lines dropped. Bounded by limit as RetrieveTo is. A server that
    // answers an empty directory with 450 or 550 fails here with that reply.
    bool ListNames(const std::string& path, std::vector<std::string>& names, std::size_t limit,
                   bool passive, bool& tooLarge);
    // "TYPE I", then "SIZE " + name; true for a 213 reply with a decimal size. Any
    // other reply fails with it in m_strLastReply (550: no such file, or not a plain
    // one; 500, 502: the server does not know SIZE).
    bool FileSize(const std::string& name, std::uint64_t& size);
    // "MLST " + name; true for a 250 reply holding a fact line, whose facts
    // ("size=12;type=file;...", without the name after them) go to facts.
    bool MachineFacts(const std::string& name, std::string& facts);

    bool OpenControlConnection(const std::string& host, int port);
    // Why the last OpenControlConnection failed, for the user: "127.0.0.1 port 2121:
    // Connection refused", "no address found for the name (...)". Empty when it
    // connected.
    const std::string& ConnectError() const { return m_strConnectError; }
    void CloseControlConnection();
    bool IsOpen() const { return m_socket >= 0; }

    // Writes text + CR LF and flushes.
    bool SendLine(const std::string& text);
    // Reads one whole reply (multi-line replies included).
    bool ReadReply();
    // Every line of the last reply read, each ended by "\n" (the first 64 KiB).
    const std::string& LastReplyText() const { return m_strReplyText; }
    static constexpr std::size_t kMaxReplyText = 65536;
    // Reads one line into m_strLastReply (without its CR LF).
    bool ReadLine();

    // How long a wait may go without progress (60 s unless set).
    void SetTimeout(std::chrono::milliseconds timeout) { m_timeout = timeout; }
    std::chrono::milliseconds Timeout() const { return m_timeout; }

    // Told of each block an upload sent (empty: nobody is).
    void SetSentHook(std::function<void(std::uint64_t)> sent) { m_sent = std::move(sent); }

    // Largest number of bytes handed to one send() of the data connection (tests use
    // it to force short sends); 0 means a whole block.
    void SetMaxSendChunk(std::size_t bytes) { m_maxSendChunk = bytes; }

    // The command word ("PORT", "STOR", ...) of the last line sent; empty before any.
    const std::string& LastCommandWord() const { return m_strLastCommandWord; }
    // Whether text is a server reply line (three digits first) rather than one of the
    // client's own k... texts.
    static bool IsServerReply(const std::string& text);

    // Whether m_strLastReply is the server's answer to a command that carried a
    // password (such replies are never shown: a server may echo what it was sent).
    bool LastReplyFollowsPassword() const { return m_bLastSentPassword; }

    // "PORT h1,h2,h3,h4,p1,p2" for an IPv4 address (host byte order) and a port:
    // the address bytes, then the port divided by 256 and the port modulo 256.
    static std::string PortCommand(std::uint32_t address, unsigned port);

    // The line that the logon step with this command code sends; host is the server
    // as the steps name it ("name", or "name:port" for a port other than 21).
    static std::string LogonCommandLine(int command, const std::string& host,
                                        const LogonSettings& settings);

    std::string m_strLastReply;
    int m_nReplyClass = 0;

private:
    enum class Wait { kReady, kTimeout, kError };
    Wait WaitFor(int fd, short events) const;
    bool FillReadBuffer();
    bool Flush();
    // error: the connect's errno on failure (ETIMEDOUT when it made no progress).
    bool ConnectWithTimeout(int fd, const void* addr, unsigned len, int& error) const;
    // Accepts the server's data connection. A connection from any address other than
    // the control connection's peer is closed at once and the wait goes on, to
    // Timeout() in all (then ForeignDataPeer is set when one was refused).
    int AcceptWithTimeout(int listenFd);
    Wait WaitUntil(int fd, short events, std::chrono::steady_clock::time_point deadline) const;
    bool ReturnTo(const std::optional<std::string>& where, const std::string& name);
    // Waits until the data connection is ready for events. False with "Network
    // error." (and m_bTimedOut) when it made no progress for Timeout(), with "File
    // error." when the wait itself failed.
    bool WaitForData(int dataFd, short events);
    // The local side of one transfer (defined in FTPLink.cpp).
    struct DataEnd;
    bool CopyData(int dataFd, DataEnd& end, bool receive, foldcraft::TlsChannel* tls);
    // One transfer: typeLine ("TYPE I", "TYPE A"), the data connection, command
    // ("RETR name", "STOR name", "NLST"), the data, the final reply.
    bool Transfer(const std::string& typeLine, const std::string& command, DataEnd& end,
                  bool passive, bool receive);
    // The steps of Transfer, each false with m_strLastReply set (defined in FTPLink.cpp).
    struct DataChannel;
    // "PASV": the server's data port, at the control connection's peer.
    bool PassiveDataAddress(DataChannel& channel);
    // A listening socket on the control connection's local address, told with "PORT".
    bool ListenForData(DataChannel& channel);
    // Passive mode: connects to the server's data port. False (the control connection
    // closed) only when no socket could be made; a failed connect sets
    // channel.connected false and is told once the preliminary reply is read.
    bool ConnectData(DataChannel& channel);
    // After the preliminary reply: closes the data connection, reads the server's final
    // reply unless the wait timed out (then the control connection is closed), and
    // fails with text.
    bool FailAfterPreliminary(DataChannel& channel, std::string text);
    // Active mode: takes the server's data connection.
    bool AcceptData(DataChannel& channel);
    // TLS on the data connection, showing the control connection's certificate.
    bool ProtectData(DataChannel& channel);
    // Closes the data connection (TLS first) and then the file received into.
    bool CloseData(DataChannel& channel, DataEnd& end, bool receive);
    // The name checks of every transfer: false with the reason in m_strLastReply.
    bool RemoteNameAllowed(const std::string& remote);
    // typeLine ("TYPE I", "TYPE A") unless the connection is in that type already.
    bool SetType(const std::string& typeLine);
    bool StartTls(const std::string& host);
    void AbandonControl();

    int m_socket = -1;
    std::vector<char> m_readBuffer;
    std::size_t m_readStart = 0;
    std::size_t m_readEnd = 0;
    std::string m_writeBuffer;
    std::chrono::milliseconds m_timeout{60000};
    std::size_t m_maxSendChunk = 0;
    std::function<void(std::uint64_t)> m_sent;
    bool m_bLastSentPassword = false;
    bool m_bTimedOut = false;
    bool m_bDirectoryRefused = false;
    bool m_bForeignDataPeer = false;
    std::string m_strLastCommandWord;
    std::string m_strConnectError;
    std::string m_strReplyText;
    std::string m_strType;  // the TYPE the server was last set to on this connection
    bool m_bTlsRequired = false;
    bool m_bTlsRefused = false;
    bool m_bCertificateRefused = false;
    std::string m_strPinnedFingerprint;
    std::string m_strPeerFingerprint;
    std::string m_strTlsHost;
    std::shared_ptr<SSL_CTX> m_tlsContext;
    std::unique_ptr<foldcraft::TlsChannel> m_tls;  // the control connection's, when active
};
