#pragma once
int widget();
