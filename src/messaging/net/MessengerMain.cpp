#include "messaging/net/MessengerServiceMain.h"

int main(int argc, char** argv)
{
    return runMessengerProgram(argc, argv);
}
