// Resource and control ids shared by the .rc files and the portable pages.
#pragma once

#define IDI_PROGRAM 128
