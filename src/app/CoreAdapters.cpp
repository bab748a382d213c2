#include "app/CoreAdapters.h"

#include "model/PolyModel.h"

#include <cstdio>
#include <fcntl.h>
#include <locale>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>

namespace {
// The file text: vertex lines numbered from 1 in order, then face lines.
std::string ObjText(CPolyObject& obj)
{
    std::ostringstream out;
    out.imbue(std::locale::classic());
    int32_t counter = 1;
    for (CPolyVertex* v : obj.vertices) {
        v->id = counter++;
        out << "v " << v->pos.x << ' ' << v->pos.y << ' ' << v->pos.z << '\n';
    }
    for (const CPolyFace* f : obj.faces) {
        out << "f ";
        for (const CFaceCorner* c : f->corners)
            out << c->vertex->id << ' ';
        out << '\n';
    }
    return out.str();
}

bool WriteAll(int fd, const std::string& text)
{
    size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
        if (n <= 0)
            return false;
        done += static_cast<size_t>(n);
    }
    return true;
}
} // namespace

bool ExportShapeToFile(CPolyModel& model, const std::string& path)
{
    if (model.objects.empty() || path.empty())
        return false;
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0) {
        // Only a regular file we may write to is replaced.
        if (!S_ISREG(st.st_mode) || ::access(path.c_str(), W_OK) != 0)
            return false;
    }
    const std::string text = ObjText(*model.objects.front());
    std::string temp = path + ".XXXXXX";
    const int fd = ::mkstemp(temp.data());
    if (fd < 0)
        return false;
    const mode_t mask = ::umask(0);
    ::umask(mask);
    ::fchmod(fd, 0666 & ~mask);
    const bool written = WriteAll(fd, text) && ::fsync(fd) == 0;
    const bool closed = ::close(fd) == 0;
    if (!written || !closed || std::rename(temp.c_str(), path.c_str()) != 0) {
        ::unlink(temp.c_str());
        return false;
    }
    return true;
}

void StepBackShape(CPolyModel& model)
{
    if (model.undoStack.empty())
        return;
    if (!model.objects.empty())
        model.objects.erase(model.objects.begin());
    model.objects.insert(model.objects.begin(), std::move(model.undoStack.back()));
    model.undoStack.pop_back();
}
