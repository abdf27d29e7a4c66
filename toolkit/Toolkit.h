// The whole widget toolkit, for editors.
#pragma once

#include "AEffGUIEditor.h"
#include "CBitmap.h"
#include "CButtons.h"
#include "CControl.h"
#include "CDrawContext.h"
#include "CFrame.h"
#include "CKnob.h"
#include "COptionMenu.h"
#include "CSlider.h"
#include "CSplashScreen.h"
#include "CTextEdit.h"
#include "CView.h"
#include "CViewContainer.h"
