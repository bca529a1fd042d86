#include "chessboard/board.h"
#include "text/font.h"

int grid()
{
    return board() + font();
}
