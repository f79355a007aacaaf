#include "messaging/net/NetCommand.h"

#include "messaging/net/DatagramEncoder.h"
#include "messaging/net/MessengerEnvironment.h"
#include "messaging/net/NetSender.h"
#include "messaging/net/ServiceControl.h"
#include "messaging/net/Utf8.h"

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

namespace {

const char kUsage[] = "usage: net send NAME MESSAGE...  send MESSAGE to the messenger of computer NAME\n"
                      "       net start messenger       start your messenger service\n"
                      "       net stop messenger        stop it\n";

int usage()
{
    std::fputs(kUsage, stderr);
    return 2;
}

int failure(std::string reason)
{
    // One line, whatever the name or the system's text had in it.
    std::replace(reason.begin(), reason.end(), '\n', ' ');
    std::replace(reason.begin(), reason.end(), '\r', ' ');
    std::fprintf(stderr, "net: %s\n", reason.c_str());
    return 1;
}

// Windows spells its commands in any case; so may the callers.
bool sameWord(const std::string& word, const char* expected)
{
    return std::equal(word.begin(), word.end(), expected, expected + std::char_traits<char>::length(expected),
                      [](char a, char b) { return (a >= 'A' && a <= 'Z' ? char(a - 'A' + 'a') : a) == b; });
}

// Characters a datagram may not carry become U+FFFD rather than being dropped unseen.
std::string withoutControlCharacters(std::u32string text)
{
    std::replace_if(
        text.begin(), text.end(), [](char32_t c) { return !datagramTextAllows(c); }, U'\uFFFD');
    return utf8::encode(text);
}

int send(const std::vector<std::string>& args)
{
    if (args.size() < 4)
        return args.size() == 3 ? failure("no message to send") : usage();
    std::uint16_t port = 0;
    std::string error;
    if (!messengerPort(&port, &error))
        return failure(error);
    std::u32string decoded;
    if (!utf8::decode(args[2], &decoded))
        return failure("the computer name is not UTF-8 text");
    // One argument arrives verbatim; several are words, joined by one blank each.
    std::string words = args[3];
    for (std::size_t i = 4; i < args.size(); ++i)
        words += ' ' + args[i];
    if (!utf8::decode(words, &decoded))
        return failure("the message is not UTF-8 text");
    if (!sendNetMessage(args[2], withoutControlCharacters(decoded), port, &error))
        return failure(error);
    return 0;
}

} // namespace

int runNetCommand(int argc, char** argv)
{
    const std::vector<std::string> args(argv, argv + argc);
    const std::string verb = args.size() > 1 ? args[1] : std::string();

    if (sameWord(verb, "send"))
        return send(args);
    if (args.size() == 3 && sameWord(args[2], "messenger")) {
        std::string error;
        if (sameWord(verb, "start"))
            return startMessenger(&error) ? 0 : failure(error);
        if (sameWord(verb, "stop"))
            return stopMessenger(&error) ? 0 : failure(error);
    }
    return usage();
}
