// "Create Material With Outlines": the canvas's UV layout rendered into a new host
// image "OutlineImage" and a material "Outlines" that uses it, as one history entry
// "Create Outline Material" of document.
#pragma once

#include <HostInterfaces.h>

class UVCanvas;

// With useTexture the canvas's texture bitmap is the background, else its background
// colour. A null document makes nothing but the picture.
void createOutlineMaterial(UVCanvas& canvas, HostDocument* document, bool useTexture);
