// JPEG pictures. The one place that calls libjpeg: pictures are decoded into a 24-bit
// bitmap when first needed and encoded from one when saved. TPicture maps the extensions
// "jpg" and "jpeg" to this class.
#pragma once

#include "Graphics.h"

#include <cstdint>
#include <memory>
#include <vector>

class TJPEGImage : public TGraphic {
public:
    VORLANE_CLASS_NAME(TJPEGImage)
    static const wchar_t* StaticClassName() { return L"TJPEGImage"; }
    TJPEGImage();
    ~TJPEGImage() override;
    TGraphicClass GraphicClass() const override { return GraphicClassOf<TJPEGImage>(); }

    bool Empty() const override { return FWidth == 0 || FHeight == 0; }
    int Width() const override { return FWidth; }
    int Height() const override { return FHeight; }
    // A JPEG picture has the size of its data (EInvalidGraphicOperation otherwise).
    void SetWidth(int Value) override;
    void SetHeight(int Value) override;

    // Quality of the next encoding, 1..100 (default 90).
    int CompressionQuality() const { return FQuality; }
    void SetCompressionQuality(int Value);
    bool Grayscale() const { return FGrayscale; }

    // Raises EInvalidGraphic "JPEG error #<n>" with libjpeg's message for damaged data.
    void LoadFromStream(TStream* Stream) override;
    void SaveToStream(TStream* Stream) override;
    // Takes a bitmap's picture (encoded when saved) or another JPEG's data.
    void Assign(TPersistent* Source) override;
    // The decoded picture (made on first use; owned by this object).
    TBitmap* Bitmap();
    // Encodes the bitmap now (SaveToStream does it when needed).
    void Compress();
    // Decodes the data now (Draw and Bitmap do it when needed).
    void DibNeeded();

protected:
    void Draw(TCanvas* ACanvas, const RECT& Rect) override;
    void AssignTo(TPersistent* Dest) override;

private:
    void ReadHeader();
    std::vector<uint8_t> FData;       // encoded picture (empty until loaded or compressed)
    std::unique_ptr<TBitmap> FBitmap; // decoded picture
    int FWidth = 0, FHeight = 0;
    int FQuality = 90;
    bool FGrayscale = false;
};
