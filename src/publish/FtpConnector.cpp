#include "publish/FtpConnector.h"

#include <utility>

#include "publish/FTPLink.h"
#include "publish/FtpSiteTarget.h"

namespace foldcraft {
namespace {

// Enters dir one level at a time, making each level that is missing.
bool EnterMaking(CFTPLink& link, const std::string& dir) {
    std::size_t start = 0;
    if (!dir.empty() && dir[0] == '/') {
        if (!link.Command("CWD /")) return false;
        start = 1;
    }
    while (start < dir.size()) {
        std::size_t slash = dir.find('/', start);
        if (slash == std::string::npos) slash = dir.size();
        const std::string part = dir.substr(start, slash - start);
        start = slash + 1;
        if (part.empty()) continue;
        if (link.Command("CWD " + part)) continue;
        if (!link.IsOpen() || !link.Command("MKD " + part) || !link.Command("CWD " + part))
            return false;
    }
    return true;
}

// The settings' server and firewall as the link logs on with them.
CFTPLink::LogonSettings LogonSettingsOf(const FtpSettings& settings) {
    CFTPLink::LogonSettings logon;
    logon.host = settings.strHostName;
    logon.port = settings.nPort.value_or(FtpSettings::kDefaultPort);
    logon.user = settings.strUser;
    logon.password = settings.strPassword;
    logon.firewallHost = settings.strFirewallHost;
    logon.firewallUser = settings.strFirewallUser;
    logon.firewallPassword = settings.strFirewallPassword;
    logon.firewallPort = settings.nFirewallPort;
    logon.firewallType = settings.nFirewallType;
    return logon;
}

}  // namespace

FtpConnector::FtpConnector(FtpSettings settings, std::chrono::milliseconds timeout)
    : m_settings(std::move(settings)), m_timeout(timeout) {}

FtpConnector::~FtpConnector() = default;

std::vector<std::string> FtpConnector::Secrets() const {
    return {m_settings.strPassword, m_settings.strFirewallPassword};
}

FtpConnector::Opened FtpConnector::Open(bool createStartDirectory) const {
    Opened opened;
    auto link = std::make_unique<CFTPLink>();
    link->SetTimeout(m_timeout);
    if (m_settings.nSecurity != FtpSettings::kSecurityPlain)
        link->RequireTls(m_settings.strTrustFingerprint);
    const auto masked = [&](const std::string& text) {
        return FtpSiteTarget::MaskSecrets(text, Secrets());
    };
    if (!link->Logon(LogonSettingsOf(m_settings))) {
        if (!link->ConnectError().empty()) {
            opened.failure = Failure::kUnreachable;
            opened.detail = link->ConnectError();
        } else if (link->TlsRefused()) {
            opened.failure = Failure::kTlsRefused;
            opened.detail = masked(link->m_strLastReply);
        } else if (link->CertificateRefused()) {
            opened.failure = Failure::kCertificate;
            opened.detail = link->m_strLastReply;
        } else {
            opened.failure = Failure::kLoginRefused;
            opened.detail = masked(link->m_strLastReply);
        }
        return opened;
    }
    // FEAT is optional: a server that does not know it answers 500 and goes on.
    std::string features;
    if (link->Command("FEAT")) features = link->LastReplyText();
    if (!link->IsOpen()) {
        opened.failure = Failure::kLoginRefused;
        opened.detail = masked(link->m_strLastReply);
        return opened;
    }
    for (std::size_t at = 0; (at = features.find("UTF8", at)) != std::string::npos; at += 4) {
        const bool startsLine = at > 0 && (features[at - 1] == ' ' || features[at - 1] == '\n');
        const bool endsLine = at + 4 == features.size() || features[at + 4] == '\r' ||
                              features[at + 4] == '\n' || features[at + 4] == ' ';
        if (startsLine && endsLine) {
            opened.utf8 = link->Command("OPTS UTF8 ON");
            break;
        }
    }
    const std::string& dir = m_settings.strStartDir;
    // An empty starting directory means the one the login leads to: "CWD " with
    // nothing after it is a syntax error to most servers.
    if (!dir.empty() && !link->Command("CWD " + dir)) {
        if (!link->IsOpen() || !createStartDirectory || !EnterMaking(*link, dir)) {
            opened.failure = Failure::kNoStartDirectory;
            opened.detail = masked(link->m_strLastReply);
            link->Logoff();
            return opened;
        }
    }
    opened.link = std::move(link);
    return opened;
}

}  // namespace foldcraft
