#pragma once
int board();
