/* The floor for bench/notice_burst_bench: the least a "net send ADDRESS MESSAGE..." can do. It takes
 * the same arguments as net, builds the messenger's datagram (see src/messaging/net/NetDatagram.h)
 * and sends it once with sendto(), then ends. No Qt, no name lookup, no check of the text: an
 * address literal only, the port from TOVA_MESSENGER_PORT as net takes it. Whatever the real net
 * costs beyond this is its own. */
#include <arpa/inet.h>
#include <netinet/in.h>
#include <stdlib.h>
#include <string.h>
#include <sys/socket.h>
#include <unistd.h>

enum { MaxSender = 64, MaxReceiver = 255, MaxText = 900, MaxDatagram = 11 + MaxSender + MaxReceiver + MaxText };

/* A big-endian length, then the bytes. */
static size_t put(unsigned char* out, size_t at, const char* bytes, size_t size)
{
    out[at] = (unsigned char)(size >> 8);
    out[at + 1] = (unsigned char)(size & 0xff);
    memcpy(out + at + 2, bytes, size);
    return at + 2 + size;
}

/* Cuts UTF-8 to at most max bytes without splitting a character. */
static size_t cut(const char* text, size_t size, size_t max)
{
    if (size <= max)
        return size;
    while (max > 0 && ((unsigned char)text[max] & 0xc0) == 0x80)
        --max;
    return max;
}

int main(int argc, char** argv)
{
    if (argc < 4 || strcmp(argv[1], "send") != 0)
        return 2;

    struct sockaddr_in to;
    memset(&to, 0, sizeof to);
    to.sin_family = AF_INET;
    if (inet_pton(AF_INET, argv[2], &to.sin_addr) != 1)
        return 1;
    const char* knob = getenv("TOVA_MESSENGER_PORT");
    const long port = knob && *knob ? strtol(knob, NULL, 10) : 61423;
    if (port <= 0 || port > 65535)
        return 1;
    to.sin_port = htons((unsigned short)port);

    char sender[MaxSender + 1] = "unknown";
    if (gethostname(sender, sizeof sender) != 0 || sender[0] == '\0')
        strcpy(sender, "unknown");
    sender[MaxSender] = '\0';

    /* The words of the message, joined by single blanks as net joins them. */
    char text[MaxText + 1];
    size_t textSize = 0;
    for (int i = 3; i < argc && textSize < MaxText; ++i) {
        if (i > 3)
            text[textSize++] = ' ';
        const size_t room = MaxText - textSize;
        const size_t size = cut(argv[i], strlen(argv[i]), room);
        memcpy(text + textSize, argv[i], size);
        textSize += size;
    }
    if (textSize == 0)
        return 1;

    unsigned char datagram[MaxDatagram];
    memcpy(datagram, "TVNM", 4);
    datagram[4] = 1;
    size_t size = 5;
    size = put(datagram, size, sender, strlen(sender));
    size = put(datagram, size, argv[2], cut(argv[2], strlen(argv[2]), MaxReceiver));
    size = put(datagram, size, text, textSize);

    const int fd = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return 1;
    const ssize_t sent = sendto(fd, datagram, size, 0, (const struct sockaddr*)&to, sizeof to);
    close(fd);
    return sent == (ssize_t)size ? 0 : 1;
}
