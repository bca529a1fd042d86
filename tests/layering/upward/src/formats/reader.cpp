#include "platform/widget.h"

int read()
{
    return widget();
}
