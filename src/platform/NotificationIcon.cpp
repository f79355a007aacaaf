#include "NotificationIcon.h"
