#include "media_clips.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>

#include "camera_crypto.h"
#include "clip_recipes.h"

namespace camera {
namespace {

// Runs ffmpeg in `dir`, writing `out` there. Bounded: a hung encoder must
// not keep the camera from stopping.
bool runFfmpeg(const std::string& dir, const std::string& args, const std::string& out, std::string* error) {
  const std::string cmd = "cd " + shellQuote(dir) + " && timeout 120 ffmpeg -nostdin -hide_banner -loglevel error -y " +
                          args + " " + shellQuote(out) + " </dev/null";
  if (std::system(cmd.c_str()) != 0) {
    *error = "command failed: ffmpeg " + args;
    return false;
  }
  return true;
}

std::string tag(const std::string& text) {
  return md5Hex(reinterpret_cast<const uint8_t*>(text.data()), text.size()).substr(0, 16);
}

bool nonEmptyFile(const std::string& path) {
  struct stat st {};
  return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && st.st_size > 0;
}

// Writes `text` to `name` in `dir` in one step (other cameras may read it).
bool writeAtomically(const std::string& dir, const std::string& name, const std::string& text) {
  const std::string part = dir + "/" + name + ".part" + std::to_string(getpid());
  {
    std::ofstream out(part, std::ios::binary);
    out << text;
    if (!out.flush()) return false;
  }
  return std::rename(part.c_str(), (dir + "/" + name).c_str()) == 0;
}

// The file that `args` make in the work folder: taken as it is when an
// earlier run left it there, else encoded under a temporary name and put in
// place in one step, so a camera stopped halfway leaves no half file behind.
bool clipFile(const std::string& dir, const std::string& args, const std::string& ext, std::string* path,
              int* encoded, std::string* error) {
  const std::string name = "clip-" + tag(args) + ext;
  *path = dir + "/" + name;
  if (nonEmptyFile(*path)) return true;
  const std::string part = name + ".part" + std::to_string(getpid()) + ext;
  if (!runFfmpeg(dir, args, part, error)) {
    std::remove((dir + "/" + part).c_str());
    return false;
  }
  if (std::rename((dir + "/" + part).c_str(), path->c_str()) != 0) {
    *error = "cannot rename " + part;
    return false;
  }
  ++*encoded;
  return true;
}

Bytes readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

bool encodeVideo(const ClipRequest& r, int w, int h, const std::string& labelFile, VideoClip* clip, MediaClips* all,
                 std::string* error) {
  VideoRecipe recipe;
  recipe.codec = r.codec;
  recipe.profile = r.profile;
  recipe.bitrateKbit = r.bitrateKbit;
  recipe.gop = r.gop;
  recipe.pattern = r.pattern;
  recipe.width = w;
  recipe.height = h;
  recipe.fps = r.fps;
  recipe.seconds = r.seconds;
  recipe.labelFile = labelFile;
  const std::string ext = r.codec == VideoCodec::H264 ? ".h264" : ".h265";
  bool made = clipFile(r.workDir, videoArguments(recipe), ext, &clip->file, &all->encoded, error);
  if (!made && !labelFile.empty()) {  // no font or no drawtext here: the picture without text
    recipe.labelFile.clear();
    error->clear();
    all->labelDrawn = false;
    made = clipFile(r.workDir, videoArguments(recipe), ext, &clip->file, &all->encoded, error);
  }
  if (!made) return false;
  clip->codec = r.codec == VideoCodec::H264 ? 2 : 3;
  clip->width = uint16_t(w);
  clip->height = uint16_t(h);
  clip->units = splitAccessUnits(readFile(clip->file), r.codec, r.keepDelimiters);
  if (clip->units.empty() || !clip->units.front().key) {
    *error = "no key frame at the start of " + clip->file;
    return false;
  }
  return true;
}

std::string folderOf(const std::string& path) {
  const size_t slash = path.rfind('/');
  return slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
}

// ffmpeg runs in another folder: paths are made absolute first.
std::string absolute(const std::string& path) {
  if (!path.empty() && path[0] == '/') return path;
  char* cwd = getcwd(nullptr, 0);
  const std::string out = std::string(cwd ? cwd : ".") + "/" + path;
  std::free(cwd);
  return out;
}

}  // namespace

bool writeSnapshot(const VideoClip& clip, const std::string& jpegPathGiven, int width, std::string* error) {
  const std::string jpegPath = absolute(jpegPathGiven);
  const std::string part = jpegPath + ".part" + std::to_string(getpid()) + ".jpeg";
  const std::string args =
      "-i " + shellQuote(absolute(clip.file)) + " -frames:v 1 -vf scale=" + std::to_string(width) + ":-2 -q:v 4 -f image2";
  if (!runFfmpeg(folderOf(jpegPath), args, part, error)) {
    std::remove(part.c_str());
    return false;
  }
  if (std::rename(part.c_str(), jpegPath.c_str()) != 0) {
    *error = "cannot write " + jpegPath;
    return false;
  }
  return true;
}

MediaClips makeClips(const ClipRequest& r, std::string* error) {
  MediaClips c;
  error->clear();
  if (!knownPattern(r.pattern)) {
    *error = "unknown picture pattern " + r.pattern;
    return c;
  }
  std::string labelFile;
  if (!r.label.empty()) {
    const std::string text = labelText(r.label);
    labelFile = "label-" + tag(text) + ".txt";
    if (!writeAtomically(r.workDir, labelFile, text)) {
      *error = "cannot write " + labelFile + " in " + r.workDir;
      return c;
    }
    c.labelDrawn = true;
  }
  if (!encodeVideo(r, r.fhdWidth, r.fhdHeight, labelFile, &c.fhd, &c, error)) return c;
  if (!encodeVideo(r, r.hdWidth, r.hdHeight, c.labelDrawn ? labelFile : std::string(), &c.hd, &c, error)) return c;
  if (!clipFile(r.workDir, audioArguments(r.toneHz, r.seconds), ".aac", &c.audioFile, &c.encoded, error)) return c;
  c.audio = splitAdts(readFile(c.audioFile));
  if (c.audio.empty()) *error = "no AAC frames in " + c.audioFile;
  return c;
}

}  // namespace camera
