#include "support/SpectrumFiles.h"

#include <QDir>
#include <fstream>
#include <iomanip>

QString WriteSpectrumFile(const QString& folder, const QString& name,
                          const std::function<double(int)>& signal, int count) {
    return WriteSpectrumFile(folder, name, "s 12/25/09 22:15:07 value 1.5 n 10 20 30 40", signal,
                             count);
}

QString WriteSpectrumFile(const QString& folder, const QString& name, const std::string& header,
                          const std::function<double(int)>& signal, int count) {
    const QString path = QDir(folder).filePath(name);
    std::ofstream file(path.toStdString(), std::ios::binary);
    file << header << "\n" << std::setprecision(17);
    for (int i = 0; i < count; ++i)
        file << signal(i) << (i % 8 == 7 ? "\n" : " ");
    return path;
}
