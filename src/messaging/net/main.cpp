#include "messaging/net/NetCommand.h"

int main(int argc, char** argv)
{
    return runNetCommand(argc, argv);
}
