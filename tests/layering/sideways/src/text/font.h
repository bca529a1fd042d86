#pragma once
int font();
