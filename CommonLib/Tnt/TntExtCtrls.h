// The extended controls of the Unicode set: panel (a Unicode window of its own), and the
// windowless shape, image and splitter with wide hints.
#pragma once

#include "ExtCtrls.h"
#include "TntControls.h"
#include "TntGraphics.h"

class TTntShape : public TShape {
public:
    VORLANE_CLASS_NAME(TTntShape)
    using TShape::TShape;
    void WndProc(TMessage& Message) override;
};

// Its picture is a TTntPicture.
class TTntImage : public TImage {
public:
    VORLANE_CLASS_NAME(TTntImage)
    explicit TTntImage(TComponent* AOwner);
    TTntPicture* Picture() const { return static_cast<TTntPicture*>(TImage::Picture()); }
    void WndProc(TMessage& Message) override;
};

class TTntCustomPanel : public TCustomPanel {
public:
    VORLANE_CLASS_NAME(TTntCustomPanel)
    using TCustomPanel::TCustomPanel;
    void WndProc(TMessage& Message) override;

protected:
    void CreateWindowHandle(const TCreateParams& Params) override;
};

class TTntPanel : public TTntCustomPanel {
public:
    VORLANE_CLASS_NAME(TTntPanel)
    using TTntCustomPanel::TTntCustomPanel;
};

class TTntSplitter : public TSplitter {
public:
    VORLANE_CLASS_NAME(TTntSplitter)
    using TSplitter::TSplitter;
    void WndProc(TMessage& Message) override;
};
