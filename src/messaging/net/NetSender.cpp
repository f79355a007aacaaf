#include "messaging/net/NetSender.h"

#include "messaging/net/DatagramEncoder.h"
#include "messaging/net/Utf8.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>
#include <locale.h>
#include <netdb.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>
#include <wctype.h>

namespace {

// Letters of every script, whatever locale net was started in; null where the system lacks it,
// and then only ASCII names pass.
locale_t utf8Locale()
{
    static const locale_t locale = newlocale(LC_CTYPE_MASK, "C.UTF-8", locale_t(nullptr));
    return locale;
}

bool isNameCharacter(char32_t c)
{
    if (c < 0x80)
        return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' || c == '_';
    const locale_t locale = utf8Locale();
    if (locale == locale_t(nullptr))
        return false;
    // Combining marks too: "é" may come as "e" and U+0301, and Indic scripts need their vowel signs.
    static const wctype_t combining = wctype_l("combining", locale);
    return iswalnum_l(wint_t(c), locale) || (combining != 0 && iswctype_l(wint_t(c), combining, locale));
}

struct AddressList
{
    addrinfo* first = nullptr;
    ~AddressList()
    {
        if (first)
            freeaddrinfo(first);
    }
};

int lookUp(const std::string& name, std::uint16_t port, int flags, AddressList* addresses)
{
    addrinfo hints = {};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_DGRAM;
    hints.ai_protocol = IPPROTO_UDP;
    hints.ai_flags = flags | AI_NUMERICSERV;
    return getaddrinfo(name.c_str(), std::to_string(port).c_str(), &hints, &addresses->first);
}

bool isAddressLiteral(const std::string& name)
{
    AddressList addresses;
    return name.find('\0') == std::string::npos && lookUp(name, 0, AI_NUMERICHOST, &addresses) == 0;
}

// Names as the resolver takes them; international ones go out in their ASCII form.
int lookUpName(const std::string& name, std::uint16_t port, AddressList* addresses)
{
#ifdef AI_IDN
    // The resolver converts from the locale's encoding, and the name is UTF-8 whatever the locale.
    const locale_t locale = utf8Locale();
    if (locale != locale_t(nullptr)) {
        const locale_t previous = uselocale(locale);
        const int status = lookUp(name, port, AI_ADDRCONFIG | AI_IDN, addresses);
        uselocale(previous);
        return status;
    }
#endif
    return lookUp(name, port, AI_ADDRCONFIG, addresses);
}

std::string lookUpError(int status)
{
    return status == EAI_SYSTEM ? std::strerror(errno) : gai_strerror(status);
}

} // namespace

std::string localComputerName()
{
    char host[HOST_NAME_MAX + 1] = {};
    if (gethostname(host, sizeof host - 1) != 0)
        host[0] = '\0';
    return senderNameFor(host);
}

std::string senderNameFor(std::string_view hostName)
{
    // Receivers take a sender name only when it looks like a computer name (letters, digits, '-', '_',
    // '.', at most 63 characters): whatever else a host name holds, bytes that are not UTF-8 included,
    // becomes '-', so that our messages are never refused for their signature.
    std::u32string characters = utf8::decodeLenient(hostName);
    for (char32_t& c : characters) {
        const bool asciiNameCharacter = (c >= U'a' && c <= U'z') || (c >= U'A' && c <= U'Z') || (c >= U'0' && c <= U'9')
            || c == U'-' || c == U'_' || c == U'.';
        if (!asciiNameCharacter && (c < 0x80 || c == 0xFFFD))
            c = U'-';
    }
    if (characters.size() > 63)
        characters.resize(63);
    const std::string name = utf8::truncate(utf8::encode(characters), std::size_t(NetDatagram::kMaxSenderBytes));
    return name.empty() ? "unknown" : name;
}

bool isValidComputerName(const std::string& name)
{
    if (isAddressLiteral(name))
        return true;
    std::string_view rest = name;
    if (!rest.empty() && rest.back() == '.')
        rest.remove_suffix(1); // a fully qualified name may end in the root's dot
    if (rest.empty() || rest.size() > 253)
        return false;
    // A '.' byte is never part of a longer UTF-8 character, so the labels split on bytes.
    for (;;) {
        const std::size_t dot = rest.find('.');
        const std::string_view label = rest.substr(0, dot);
        std::u32string codePoints;
        if (label.empty() || label.size() > 63 || !utf8::decode(label, &codePoints)
            || !std::all_of(codePoints.begin(), codePoints.end(), isNameCharacter))
            return false;
        if (dot == std::string_view::npos)
            return true;
        rest.remove_prefix(dot + 1);
    }
}

bool sendNetMessage(const std::string& name, const std::string& text, std::uint16_t port, std::string* error)
{
    if (!isValidComputerName(name)) {
        *error = name + " is not a computer name or address";
        return false;
    }

    std::string reason;
    const std::string datagram = encodeDatagram(localComputerName(), name, text, &reason);
    if (datagram.empty()) {
        *error = reason;
        return false;
    }

    AddressList addresses;
    int status = lookUp(name, port, AI_NUMERICHOST, &addresses);
    if (status == EAI_NONAME)
        status = lookUpName(name, port, &addresses);
    if (status != 0) {
        *error = "cannot find the computer " + name + ": " + lookUpError(status);
        return false;
    }
    for (const addrinfo* address = addresses.first; address; address = address->ai_next) {
        const int fd = socket(address->ai_family, address->ai_socktype | SOCK_CLOEXEC, address->ai_protocol);
        if (fd < 0) {
            reason = std::strerror(errno);
            continue;
        }
        const ssize_t sent = sendto(fd, datagram.data(), datagram.size(), 0, address->ai_addr, address->ai_addrlen);
        reason = std::strerror(errno);
        close(fd);
        if (sent == ssize_t(datagram.size()))
            return true;
    }
    *error = "cannot send to " + name + ": " + reason;
    return false;
}
