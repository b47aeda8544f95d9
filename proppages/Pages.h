#pragma once
// The nine property pages, each in its own header.

#include "proppages/AnimationBuilderPage.h"
#include "proppages/ConfigToolBarsPage.h"
#include "proppages/GroupsListsPage.h"
#include "proppages/ImageListPage.h"
#include "proppages/PngGeneratorPage.h"
#include "proppages/PropertyBrowserPage.h"
#include "proppages/TabsPage.h"
