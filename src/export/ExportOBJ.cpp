#include "export/ExportOBJ.h"

#include "base/AtomicFile.h"
#include "model/PolyModel.h"

#include <charconv>
#include <cstdlib>
#include <cstring>

size_t FormatObjNumber(double value, char* text)
{
    // to_chars with a precision is defined as printf's %.*g in the C locale.
    const auto res = std::to_chars(text, text + 32, value, std::chars_format::general, 6);
    return static_cast<size_t>(res.ptr - text);
}

void ObjTextWriter::Append(const char* text, size_t n)
{
    if (used_ + n > sizeof(buffer_))
        Drain();
    std::memcpy(buffer_ + used_, text, n);
    used_ += n;
}

void ObjTextWriter::AppendNumber(double value)
{
    if (used_ + 32 > sizeof(buffer_))
        Drain();
    used_ += FormatObjNumber(value, buffer_ + used_);
}

void ObjTextWriter::Drain()
{
    if (used_ > 0 && ok_ && std::fwrite(buffer_, 1, used_, out_) != used_)
        ok_ = false;
    used_ = 0;
}

void ObjTextWriter::Vertex(const CVector3& p)
{
    Append("v ", 2);
    AppendNumber(p.x);
    Append(" ", 1);
    AppendNumber(p.y);
    Append(" ", 1);
    AppendNumber(p.z);
    Append("\n", 1);
}

void ObjTextWriter::VertexExact(const CVector3& p)
{
    char text[96] = "v ";
    char* at = text + 2;
    char* const end = text + sizeof text;
    const double values[3] = {p.x, p.y, p.z};
    for (int i = 0; i < 3; ++i) {
        at = std::to_chars(at, end, values[i]).ptr;
        *at++ = i < 2 ? ' ' : '\n';
    }
    Append(text, static_cast<size_t>(at - text));
}

void ObjTextWriter::FaceBegin()
{
    Append("f", 1);
}

void ObjTextWriter::FaceIndex(int64_t index)
{
    char text[24];
    text[0] = ' ';
    const auto res = std::to_chars(text + 1, text + sizeof(text), index);
    Append(text, static_cast<size_t>(res.ptr - text));
}

void ObjTextWriter::FaceEnd()
{
    Append(" \n", 2);
}

bool ObjTextWriter::Finish()
{
    Drain();
    if (std::fflush(out_) != 0)
        ok_ = false;
    if (std::ferror(out_))
        ok_ = false;
    return ok_;
}

bool CExportOBJ::WriteObj(std::FILE* stream, CPolyModel& model)
{
    ObjTextWriter out(stream);
    if (model.designing) {
        // The working shape has one vertex per corner, in triangle order.
        const CWorkingShape& shape = model.working;
        for (const CVector3& p : shape.pos)
            out.Vertex(p);
        int64_t next = 1;
        for (size_t t = 0; t < shape.TriangleCount(); ++t) {
            out.FaceBegin();
            for (int j = 0; j < 3; ++j)
                out.FaceIndex(next++);
            out.FaceEnd();
        }
        return out.Finish();
    }
    if (model.objects.empty())
        return out.Finish();
    CPolyObject& shape = *model.objects[0];
    int32_t next = 1;
    for (CPolyVertex* v : shape.vertices) {
        v->id = next++;
        out.Vertex(v->pos);
    }
    for (const CPolyFace* f : shape.faces) {
        out.FaceBegin();
        for (const CFaceCorner* c : f->corners)
            out.FaceIndex(c->vertex->id);
        out.FaceEnd();
    }
    return out.Finish();
}

bool ExportObjFile(const std::string& path, CPolyModel& model)
{
    return WriteFileReplacing(path, [&model](std::FILE* stream) {
        CExportOBJ writer;
        return writer.WriteObj(stream, model);
    });
}

bool ObjBytes(CPolyModel& model, std::string& bytes)
{
    char* buffer = nullptr;
    size_t size = 0;
    std::FILE* stream = open_memstream(&buffer, &size);
    if (!stream)
        return false;
    CExportOBJ writer;
    bool ok = writer.WriteObj(stream, model);
    ok = std::fclose(stream) == 0 && ok; // sets buffer and size
    if (ok) {
        try {
            bytes.assign(buffer, size);
        } catch (const std::exception&) {
            ok = false;
        }
    }
    std::free(buffer);
    return ok;
}
