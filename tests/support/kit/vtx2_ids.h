// Resource ids of the VTX2.exe stand-in.
#pragma once

#define IDS_PRODUCT_VERSION 1
