#pragma once
// The drawing layer in one include: device contexts, drawing objects, fonts,
// recordings and the screen.
#include "platform/gdi/GdiTypes.h"
#include "platform/gdi/GdiObjects.h"
#include "platform/gdi/DC.h"
#include "platform/gdi/Fonts.h"
#include "platform/gdi/MetaFileDC.h"
#include "platform/gdi/SelectGuard.h"
#include "platform/gdi/Screen.h"
