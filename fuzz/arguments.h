// For the fuzzers that work in a private folder: libFuzzer reads its
// arguments after LLVMFuzzerInitialize, so the paths among them are made
// absolute before the working folder changes. Without a prefix of its own,
// a crash still lands in the folder the fuzzer was started from.
#pragma once

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QList>
#include <QString>
#include <vector>

namespace fuzz_arguments {

// libFuzzer's flags whose value is a file or folder (seed_inputs: a list of them).
inline const char* const kPathFlags[] = {
    "artifact_prefix",     "exact_artifact_path", "dict",
    "merge_control_file",  "features_dir",        "stop_file",
    "mutation_graph_file", "data_flow_trace",     "collect_data_flow",
    "seed_inputs",
};

inline QByteArray absolute(const QByteArray& path) {
    if (path.isEmpty()) return path;
    QByteArray out =
        QFile::encodeName(QDir::cleanPath(QDir::current().absoluteFilePath(QFile::decodeName(path))));
    // A prefix ending in a slash names a folder; keep the slash.
    if (path.endsWith('/') && !out.endsWith('/')) out += '/';
    return out;
}

// seed_inputs=a,b,c or seed_inputs=@list
inline QByteArray absolute_list(const QByteArray& value) {
    if (value.startsWith('@')) return '@' + absolute(value.mid(1));
    QList<QByteArray> parts = value.split(',');
    for (QByteArray& p : parts) p = absolute(p);
    return parts.join(',');
}

// Rewrites *argc/*argv in place; the new strings live for the whole run.
inline void resolve(int* argc, char*** argv) {
    if (!argc || !argv || !*argv) return;
    static std::vector<QByteArray> kept;
    static std::vector<char*> pointers;
    bool has_prefix = false;
    for (int i = 0; i < *argc; ++i) {
        QByteArray a((*argv)[i]);
        if (i > 0 && !a.startsWith('-')) {
            a = absolute(a);  // a corpus folder or an input file
        } else if (i > 0) {
            const QByteArray flag = a.mid(a.startsWith("--") ? 2 : 1);
            const qsizetype eq = flag.indexOf('=');
            const QByteArray name = eq < 0 ? flag : flag.left(eq);
            for (const char* p : kPathFlags) {
                if (eq < 0 || name != p) continue;
                const QByteArray value = flag.mid(eq + 1);
                a = "-" + name + "=" + (name == "seed_inputs" ? absolute_list(value) : absolute(value));
                if (name == "artifact_prefix" || name == "exact_artifact_path") has_prefix = true;
            }
        }
        kept.push_back(a);
    }
    // libFuzzer's default prefix is "./": the folder the fuzzer was started in.
    if (!has_prefix) kept.push_back("-artifact_prefix=" + absolute("./"));
    for (QByteArray& a : kept) pointers.push_back(a.data());
    pointers.push_back(nullptr);
    *argc = static_cast<int>(kept.size());
    *argv = pointers.data();
}

}  // namespace fuzz_arguments
