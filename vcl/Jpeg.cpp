#include "Jpeg.h"

#include "Format.h"
#include "SysUtils.h"

#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>

extern "C" {
#include <jpeglib.h>
}

namespace {

// libjpeg reports fatal errors through error_exit, which must not return: it jumps back
// to the setjmp of the call that started the work. No C++ object lives in the frames it
// jumps over (only libjpeg's C frames).
struct TJpegError {
    jpeg_error_mgr Pub;
    jmp_buf Jump;
    int Code = 0;
    char Message[JMSG_LENGTH_MAX] = {};
};

void JpegErrorExit(j_common_ptr cinfo) {
    auto* err = reinterpret_cast<TJpegError*>(cinfo->err);
    err->Code = err->Pub.msg_code;
    (*cinfo->err->format_message)(cinfo, err->Message);
    longjmp(err->Jump, 1);
}

void JpegOutputMessage(j_common_ptr) {} // warnings (e.g. a cut-short file) are not shown

void InitError(TJpegError& Err) {
    jpeg_std_error(&Err.Pub);
    Err.Pub.error_exit = JpegErrorExit;
    Err.Pub.output_message = JpegOutputMessage;
}

[[noreturn]] void RaiseJpegError(const TJpegError& Err) {
    std::wstring msg(Err.Message, Err.Message + std::strlen(Err.Message));
    throw EInvalidGraphic(Format(L"JPEG error #%d: %s", {Err.Code, msg}));
}

struct THeader {
    int Width = 0, Height = 0;
    bool Grayscale = false;
};

bool ReadJpegHeader(const uint8_t* Data, size_t Size, THeader& Header, TJpegError& Err) {
    jpeg_decompress_struct cinfo;
    std::memset(&cinfo, 0, sizeof(cinfo));
    cinfo.err = &Err.Pub;
    if (setjmp(Err.Jump)) {
        jpeg_destroy_decompress(&cinfo);
        return false;
    }
    jpeg_create_decompress(&cinfo);
    jpeg_mem_src(&cinfo, Data, static_cast<unsigned long>(Size));
    jpeg_read_header(&cinfo, TRUE);
    Header.Width = static_cast<int>(cinfo.image_width);
    Header.Height = static_cast<int>(cinfo.image_height);
    Header.Grayscale = cinfo.jpeg_color_space == JCS_GRAYSCALE;
    jpeg_destroy_decompress(&cinfo);
    return true;
}

// Makes the bitmap's pixels (24-bit) without letting an exception out.
bool PrepareBitmap(TBitmap* Bitmap, int Width, int Height) noexcept {
    try {
        Bitmap->SetPixelFormat(pf24bit);
        Bitmap->SetSize(Width, Height);
        return !Bitmap->Empty();
    } catch (...) {
        return false;
    }
}

bool DecodeJpeg(const uint8_t* Data, size_t Size, TBitmap* Bitmap, TJpegError& Err) {
    jpeg_decompress_struct cinfo;
    std::memset(&cinfo, 0, sizeof(cinfo));
    cinfo.err = &Err.Pub;
    JSAMPLE* volatile cmykRow = nullptr;
    if (setjmp(Err.Jump)) {
        jpeg_destroy_decompress(&cinfo);
        std::free(cmykRow);
        return false;
    }
    jpeg_create_decompress(&cinfo);
    jpeg_mem_src(&cinfo, Data, static_cast<unsigned long>(Size));
    jpeg_read_header(&cinfo, TRUE);
    bool cmyk = cinfo.jpeg_color_space == JCS_CMYK || cinfo.jpeg_color_space == JCS_YCCK;
    cinfo.out_color_space = cmyk ? JCS_CMYK : JCS_EXT_BGR;
    jpeg_start_decompress(&cinfo);
    int width = static_cast<int>(cinfo.output_width), height = static_cast<int>(cinfo.output_height);
    if (!PrepareBitmap(Bitmap, width, height)) {
        std::strcpy(Err.Message, "Not enough memory for the picture");
        Err.Code = 0;
        jpeg_destroy_decompress(&cinfo);
        return false;
    }
    if (cmyk) {
        cmykRow = static_cast<JSAMPLE*>(std::malloc(static_cast<size_t>(width) * 4));
        if (!cmykRow) {
            std::strcpy(Err.Message, "Not enough memory for the picture");
            Err.Code = 0;
            jpeg_destroy_decompress(&cinfo);
            return false;
        }
    }
    while (cinfo.output_scanline < cinfo.output_height) {
        uint8_t* line = Bitmap->ScanLine(static_cast<int>(cinfo.output_scanline));
        if (!cmyk) {
            JSAMPROW row = line;
            jpeg_read_scanlines(&cinfo, &row, 1);
            continue;
        }
        JSAMPROW row = cmykRow;
        jpeg_read_scanlines(&cinfo, &row, 1);
        // Adobe writes CMYK inverted: each channel already holds 255 - ink.
        for (int x = 0; x < width; ++x) {
            const JSAMPLE* p = cmykRow + x * 4;
            line[x * 3 + 0] = static_cast<uint8_t>(p[2] * p[3] / 255);
            line[x * 3 + 1] = static_cast<uint8_t>(p[1] * p[3] / 255);
            line[x * 3 + 2] = static_cast<uint8_t>(p[0] * p[3] / 255);
        }
    }
    jpeg_finish_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);
    std::free(cmykRow);
    return true;
}

bool EncodeJpeg(TBitmap* Bitmap, int Quality, unsigned char** Out, unsigned long* OutSize, TJpegError& Err) {
    jpeg_compress_struct cinfo;
    std::memset(&cinfo, 0, sizeof(cinfo));
    cinfo.err = &Err.Pub;
    if (setjmp(Err.Jump)) {
        jpeg_destroy_compress(&cinfo);
        return false;
    }
    jpeg_create_compress(&cinfo);
    jpeg_mem_dest(&cinfo, Out, OutSize);
    cinfo.image_width = static_cast<JDIMENSION>(Bitmap->Width());
    cinfo.image_height = static_cast<JDIMENSION>(Bitmap->Height());
    bool wide = Bitmap->PixelFormat() == pf32bit;
    cinfo.input_components = wide ? 4 : 3;
    cinfo.in_color_space = wide ? JCS_EXT_BGRX : JCS_EXT_BGR;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, Quality, TRUE);
    jpeg_start_compress(&cinfo, TRUE);
    while (cinfo.next_scanline < cinfo.image_height) {
        JSAMPROW row = Bitmap->ScanLine(static_cast<int>(cinfo.next_scanline));
        jpeg_write_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    return true;
}

} // namespace

TJPEGImage::TJPEGImage() = default;
TJPEGImage::~TJPEGImage() = default;

void TJPEGImage::SetWidth(int Value) {
    if (Value != FWidth)
        throw EInvalidGraphicOperation(L"Cannot change the size of a JPEG image");
}

void TJPEGImage::SetHeight(int Value) {
    if (Value != FHeight)
        throw EInvalidGraphicOperation(L"Cannot change the size of a JPEG image");
}

void TJPEGImage::SetCompressionQuality(int Value) {
    FQuality = Value < 1 ? 1 : (Value > 100 ? 100 : Value);
}

void TJPEGImage::ReadHeader() {
    TJpegError err;
    InitError(err);
    THeader header;
    if (!ReadJpegHeader(FData.data(), FData.size(), header, err))
        RaiseJpegError(err);
    FWidth = header.Width;
    FHeight = header.Height;
    FGrayscale = header.Grayscale;
}

void TJPEGImage::LoadFromStream(TStream* Stream) {
    int64_t size = Stream->Size() - Stream->Position();
    if (size <= 0 || size > 256 * 1024 * 1024)
        throw EInvalidGraphic(L"JPEG error #0: empty or oversized data");
    std::vector<uint8_t> data(static_cast<size_t>(size));
    Stream->ReadBuffer(data.data(), static_cast<int32_t>(size));
    std::vector<uint8_t> old;
    old.swap(FData);
    FData = std::move(data);
    try {
        ReadHeader();
    } catch (...) {
        FData.swap(old);
        throw;
    }
    FBitmap.reset();
    Changed();
}

void TJPEGImage::DibNeeded() {
    if (FBitmap || FData.empty())
        return;
    auto bmp = std::make_unique<TBitmap>();
    TJpegError err;
    InitError(err);
    if (!DecodeJpeg(FData.data(), FData.size(), bmp.get(), err))
        RaiseJpegError(err);
    FBitmap = std::move(bmp);
}

TBitmap* TJPEGImage::Bitmap() {
    DibNeeded();
    if (!FBitmap)
        FBitmap = std::make_unique<TBitmap>();
    return FBitmap.get();
}

void TJPEGImage::Compress() {
    if (!FBitmap || FBitmap->Empty())
        return;
    TJpegError err;
    InitError(err);
    unsigned char* out = nullptr;
    unsigned long outSize = 0;
    bool ok = EncodeJpeg(FBitmap.get(), FQuality, &out, &outSize, err);
    if (ok)
        FData.assign(out, out + outSize);
    std::free(out);
    if (!ok)
        RaiseJpegError(err);
    FGrayscale = false;
}

void TJPEGImage::SaveToStream(TStream* Stream) {
    if (FData.empty())
        Compress();
    if (!FData.empty())
        Stream->WriteBuffer(FData.data(), static_cast<int32_t>(FData.size()));
}

void TJPEGImage::Assign(TPersistent* Source) {
    if (!Source) {
        FData.clear();
        FBitmap.reset();
        FWidth = FHeight = 0;
        Changed();
        return;
    }
    if (auto* j = dynamic_cast<TJPEGImage*>(Source)) {
        if (j == this)
            return;
        FData = j->FData;
        FBitmap.reset();
        if (j->FBitmap) {
            FBitmap = std::make_unique<TBitmap>();
            FBitmap->Assign(j->FBitmap.get());
        }
        FWidth = j->FWidth;
        FHeight = j->FHeight;
        FGrayscale = j->FGrayscale;
        FQuality = j->FQuality;
        Changed();
        return;
    }
    if (auto* b = dynamic_cast<TBitmap*>(Source)) {
        auto bmp = std::make_unique<TBitmap>();
        bmp->Assign(b);
        FBitmap = std::move(bmp);
        FData.clear(); // encoded when saved
        FWidth = FBitmap->Width();
        FHeight = FBitmap->Height();
        Changed();
        return;
    }
    TGraphic::Assign(Source);
}

void TJPEGImage::AssignTo(TPersistent* Dest) {
    if (auto* b = dynamic_cast<TBitmap*>(Dest)) {
        b->Assign(Bitmap());
        return;
    }
    TGraphic::AssignTo(Dest);
}

void TJPEGImage::Draw(TCanvas* ACanvas, const RECT& Rect) {
    DibNeeded();
    if (FBitmap)
        ACanvas->StretchDraw(Rect, FBitmap.get());
}
