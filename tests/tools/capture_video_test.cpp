// quorvantile-capture's videos, read back through the FFmpeg libraries: the lossless
// file holds exactly the frames of a PNG capture and the samples of --audio; the
// shared formats have the streams, codecs, sizes, rates and durations asked for;
// supersampled frames are the mean of the pixels drawn at the larger size.
extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/imgutils.h>
#include <libavutil/log.h>
#include <libswscale/swscale.h>
}

#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#ifndef QV_CAPTURE_PATH
#error "QV_CAPTURE_PATH comes from the build"
#endif

namespace fs = std::filesystem;

namespace {

// Runs the tool on SDL's offscreen driver; its exit code, or -1.
int RunCapture(std::vector<std::string> arguments)
{
    arguments.insert(arguments.begin(), QV_CAPTURE_PATH);
    std::vector<char*> argv;
    for (std::string& argument : arguments)
        argv.push_back(argument.data());
    argv.push_back(nullptr);
    const pid_t child = fork();
    if (child == 0) {
        setenv("SDL_VIDEODRIVER", "offscreen", 0);
        // Under AddressSanitizer: the tool shuts SDL's video down at its end, which
        // unloads Mesa's driver, whose own leaks then carry no module name that a
        // suppression could match.
        const char* sanitizer = std::getenv("ASAN_OPTIONS");
        setenv("ASAN_OPTIONS", (std::string(sanitizer ? sanitizer : "") + ":detect_leaks=0").c_str(), 1);
        if (!std::freopen("/dev/null", "w", stderr))
            _exit(126);
        execv(argv[0], argv.data());
        _exit(127);
    }
    int status = 0;
    if (child < 0 || waitpid(child, &status, 0) != child || !WIFEXITED(status))
        return -1;
    return WEXITSTATUS(status);
}

struct Stream {
    std::string codec;
    int width = 0, height = 0;
    AVRational rate{ 0, 1 };
    int sampleRate = 0, channels = 0;
    int frameCount = 0;                           // pictures decoded
    std::vector<std::vector<uint8_t>> pictures;   // RGB, rows top to bottom
    std::vector<int16_t> samples;                 // 16-bit streams: interleaved
    int64_t sampleCount = 0;                      // per channel
};

struct Media {
    bool opened = false;
    double seconds = 0;   // the container's duration
    std::vector<Stream> streams;
};

std::vector<uint8_t> ToRgb(const AVFrame* frame)
{
    SwsContext* converter = sws_getContext(frame->width, frame->height, static_cast<AVPixelFormat>(frame->format),
                                           frame->width, frame->height, AV_PIX_FMT_RGB24, SWS_POINT, nullptr,
                                           nullptr, nullptr);
    // The converter's vector code may write a little past the last pixel.
    constexpr std::size_t SLACK = 64;
    const std::size_t bytes = static_cast<std::size_t>(frame->width) * frame->height * 3;
    std::vector<uint8_t> rgb(bytes + SLACK);
    uint8_t* planes[1] = { rgb.data() };
    const int strides[1] = { frame->width * 3 };
    sws_scale(converter, frame->data, frame->linesize, 0, frame->height, planes, strides);
    sws_freeContext(converter);
    rgb.resize(bytes);
    return rgb;
}

void Keep(Stream& stream, const AVFrame* frame, bool keepPictures)
{
    if (frame->width > 0) {
        ++stream.frameCount;
        if (keepPictures)
            stream.pictures.push_back(ToRgb(frame));
        return;
    }
    stream.sampleCount += frame->nb_samples;
    const int channels = frame->ch_layout.nb_channels;
    if (frame->format == AV_SAMPLE_FMT_S16) {
        const int16_t* values = reinterpret_cast<const int16_t*>(frame->data[0]);
        stream.samples.insert(stream.samples.end(), values, values + frame->nb_samples * channels);
    } else if (frame->format == AV_SAMPLE_FMT_S16P) {
        for (int i = 0; i < frame->nb_samples; ++i)
            for (int c = 0; c < channels; ++c)
                stream.samples.push_back(reinterpret_cast<const int16_t*>(frame->extended_data[c])[i]);
    }
}

// Every stream of a file, decoded to the end.
Media Decode(const fs::path& path, bool keepPictures = true)
{
    Media media;
    AVFormatContext* container = nullptr;
    if (avformat_open_input(&container, path.c_str(), nullptr, nullptr) < 0)
        return media;
    avformat_find_stream_info(container, nullptr);
    media.opened = true;
    media.seconds = container->duration > 0 ? container->duration / double(AV_TIME_BASE) : 0;
    std::vector<AVCodecContext*> decoders;
    for (unsigned i = 0; i < container->nb_streams; ++i) {
        const AVCodecParameters* parameters = container->streams[i]->codecpar;
        Stream stream;
        stream.codec = avcodec_get_name(parameters->codec_id);
        stream.width = parameters->width;
        stream.height = parameters->height;
        stream.rate = container->streams[i]->avg_frame_rate;
        stream.sampleRate = parameters->sample_rate;
        stream.channels = parameters->ch_layout.nb_channels;
        media.streams.push_back(stream);
        AVCodecContext* decoder = avcodec_alloc_context3(avcodec_find_decoder(parameters->codec_id));
        avcodec_parameters_to_context(decoder, parameters);
        avcodec_open2(decoder, decoder->codec, nullptr);
        decoders.push_back(decoder);
    }
    AVPacket* packet = av_packet_alloc();
    AVFrame* frame = av_frame_alloc();
    auto drain = [&](unsigned index) {
        while (avcodec_receive_frame(decoders[index], frame) >= 0) {
            Keep(media.streams[index], frame, keepPictures);
            av_frame_unref(frame);
        }
    };
    while (av_read_frame(container, packet) >= 0) {
        const unsigned index = static_cast<unsigned>(packet->stream_index);
        avcodec_send_packet(decoders[index], packet);
        av_packet_unref(packet);
        drain(index);
    }
    for (unsigned i = 0; i < decoders.size(); ++i) {
        avcodec_send_packet(decoders[i], nullptr);
        drain(i);
        avcodec_free_context(&decoders[i]);
    }
    av_frame_free(&frame);
    av_packet_free(&packet);
    avformat_close_input(&container);
    return media;
}

std::vector<uint8_t> DecodePng(const fs::path& path)
{
    const Media media = Decode(path);
    return media.streams.size() == 1 && media.streams[0].pictures.size() == 1 ? media.streams[0].pictures[0]
                                                                            : std::vector<uint8_t>{};
}

fs::path FramePng(const fs::path& dir, int t)
{
    char name[32];
    std::snprintf(name, sizeof name, "frame_%05d.png", t);
    return dir / name;
}

class CaptureVideoTest : public testing::Test {
protected:
    void SetUp() override
    {
        av_log_set_level(AV_LOG_QUIET);
        dir_ = fs::temp_directory_path() / ("qv_capture_video_" + std::to_string(getpid()) + "_" +
                                           testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir_);
        fs::create_directories(dir_);
    }
    void TearDown() override { fs::remove_all(dir_); }

    fs::path dir_;
};

// 30 frames a second does not divide a centisecond: frame k is drawn at
// floor(k x 100 / 30), and the video's frames are those with 1100 <= k x 100 / 30 < 1200.
constexpr int SPAN_FIRST = 1100, SPAN_END = 1200, FPS = 30;
const std::vector<std::string> SPAN = { "--range", "1100:1200", "--fps", "30", "--size", "160x120",
                                        "--supersample", "2" };

TEST_F(CaptureVideoTest, LosslessVideoHoldsThePngFramesAndTheSoundOfTheSpan)
{
    std::vector<std::string> video = SPAN, frames = SPAN;
    video.insert(video.end(), { "--video", (dir_ / "span.mkv").string(), "--audio", (dir_ / "span.wav").string() });
    frames.insert(frames.end(), { "--out", (dir_ / "png").string() });
    ASSERT_EQ(RunCapture(video), 0);
    ASSERT_EQ(RunCapture(frames), 0);

    const Media media = Decode(dir_ / "span.mkv");
    ASSERT_TRUE(media.opened);
    ASSERT_EQ(media.streams.size(), 2u);
    const Stream& picture = media.streams[0];
    const Stream& sound = media.streams[1];
    EXPECT_EQ(picture.codec, "ffv1");
    EXPECT_EQ(picture.width, 160);
    EXPECT_EQ(picture.height, 120);
    EXPECT_EQ(av_q2d(picture.rate), FPS);
    EXPECT_EQ(sound.codec, "flac");
    EXPECT_EQ(sound.sampleRate, 44100);
    EXPECT_EQ(sound.channels, 2);
    const double seconds = (SPAN_END - SPAN_FIRST) / 100.0;
    EXPECT_NEAR(media.seconds, seconds, 1.0 / FPS);

    const int firstStep = (SPAN_FIRST * FPS + 99) / 100;
    const int endStep = (SPAN_END * FPS + 99) / 100;
    ASSERT_EQ(static_cast<int>(picture.pictures.size()), endStep - firstStep);
    for (int k = firstStep; k < endStep; ++k) {
        const int t = k * 100 / FPS;
        const std::vector<uint8_t> png = DecodePng(FramePng(dir_ / "png", t));
        ASSERT_FALSE(png.empty()) << "no PNG frame at " << t;
        EXPECT_TRUE(png == picture.pictures[k - firstStep]) << "the video's frame at " << t << " cs differs";
    }

    const Media wav = Decode(dir_ / "span.wav");
    ASSERT_EQ(wav.streams.size(), 1u);
    EXPECT_EQ(wav.streams[0].codec, "pcm_s16le");
    EXPECT_EQ(wav.streams[0].sampleRate, 44100);
    EXPECT_EQ(wav.streams[0].channels, 2);
    EXPECT_EQ(wav.streams[0].sampleCount, (SPAN_END - SPAN_FIRST) * 441);
    EXPECT_TRUE(sound.samples == wav.streams[0].samples) << "the video's sound differs from --audio";
}

TEST_F(CaptureVideoTest, SupersampledFramesAreTheMeanOfThePixelsDrawn)
{
    const int t = 1150;   // a step at 30 frames a second
    ASSERT_EQ(RunCapture({ "--at", std::to_string(t), "--fps", "30", "--size", "320x240", "--out",
                           (dir_ / "large").string() }), 0);
    ASSERT_EQ(RunCapture({ "--at", std::to_string(t), "--fps", "30", "--size", "160x120", "--supersample", "2",
                           "--out", (dir_ / "small").string() }), 0);
    const std::vector<uint8_t> large = DecodePng(FramePng(dir_ / "large", t));
    const std::vector<uint8_t> small = DecodePng(FramePng(dir_ / "small", t));
    ASSERT_EQ(large.size(), 320u * 240 * 3);
    ASSERT_EQ(small.size(), 160u * 120 * 3);
    int worst = 0;
    for (int y = 0; y < 120; ++y)
        for (int x = 0; x < 160; ++x)
            for (int c = 0; c < 3; ++c) {
                int sum = 0;
                for (int dy = 0; dy < 2; ++dy)
                    for (int dx = 0; dx < 2; ++dx)
                        sum += large[((2 * y + dy) * 320 + 2 * x + dx) * 3 + c];
                worst = std::max(worst, std::abs(small[(y * 160 + x) * 3 + c] - sum / 4));
            }
    EXPECT_LE(worst, 1);
}

struct SharedFormat {
    const char* extension;
    const char* videoCodec;
    const char* audioCodec;
    int soundRate;
};

// A 4:3 picture pillarboxed into 16:9 at 24 frames a second, from the first frame.
TEST_F(CaptureVideoTest, SharedFormatsHaveTheirStreamsSizeRateAndDuration)
{
    const SharedFormat formats[] = {
        { "mp4", "h264", "aac", 44100 },
        { "webm", "vp9", "opus", 48000 },
    };
    for (const SharedFormat& format : formats) {
        SCOPED_TRACE(format.extension);
        const fs::path file = dir_ / (std::string("start.") + format.extension);
        ASSERT_EQ(RunCapture({ "--range", "0:50", "--fps", "24", "--size", "128x96", "--pad", "16:9", "--video",
                               file.string() }), 0);
        const Media media = Decode(file);
        ASSERT_EQ(media.streams.size(), 2u);
        const Stream& picture = media.streams[0];
        const Stream& sound = media.streams[1];
        EXPECT_EQ(picture.codec, format.videoCodec);
        EXPECT_EQ(picture.width, 172);   // 96 x 16 / 9, rounded up to even
        EXPECT_EQ(picture.height, 96);
        EXPECT_EQ(av_q2d(picture.rate), 24);
        EXPECT_EQ(picture.frameCount, 12);   // 0 <= k x 100 / 24 < 50
        EXPECT_EQ(sound.codec, format.audioCodec);
        EXPECT_EQ(sound.sampleRate, format.soundRate);
        EXPECT_EQ(sound.channels, 2);
        EXPECT_NEAR(media.seconds, 0.5, 1.0 / 24);
        EXPECT_NEAR(double(sound.sampleCount) / format.soundRate, 0.5, 1.0 / 24);
        // The bars are black; the picture between them is not all black.
        ASSERT_FALSE(picture.pictures.empty());
        const std::vector<uint8_t>& last = picture.pictures.back();
        int barBrightest = 0, pictureBrightest = 0;
        for (int y = 0; y < 96; ++y)
            for (int x = 0; x < 172; ++x) {
                const uint8_t* pixel = &last[(y * 172 + x) * 3];
                const int brightest = std::max({ pixel[0], pixel[1], pixel[2] });
                int& into = x < 20 || x >= 152 ? barBrightest : pictureBrightest;
                into = std::max(into, brightest);
            }
        EXPECT_LE(barBrightest, 8);
        EXPECT_GT(pictureBrightest, 32);
    }
}

} // namespace
