#include "model/PolyModel.h"

// Not read yet: the reader for this format is still to come.
ReadResult CPolyModel::Read3DS(const std::string& path, IProgress*)
{
    fileName = path;
    return kReadFailed;
}
