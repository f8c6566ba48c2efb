// Encoding and muxing through libavformat, libavcodec, libswscale and libswresample.
#include "tools/capture/video_file.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/audio_fifo.h>
#include <libavutil/channel_layout.h>
#include <libavutil/log.h>
#include <libavutil/opt.h>
#include <libswresample/swresample.h>
#include <libswscale/swscale.h>
}

#include <algorithm>
#include <cctype>
#include <cstring>
#include <filesystem>
#include <thread>

struct VideoFormat {
    const char* name;            // the extension without its dot
    const char* muxer;
    const char* videoEncoder;
    const char* videoCodecName;  // for messages
    AVPixelFormat pixelFormat;
    int defaultCrf;              // -1: lossless, no --crf
    int maxCrf;
    const char* audioEncoder;
    const char* audioCodecName;
    int soundRate;               // the audio stream's rate
    int64_t audioBitRate;        // 0: lossless
};

namespace {

constexpr VideoFormat VIDEO_FORMATS[] = {
    { "mp4",  "mp4",      "libx264",    "H.264", AV_PIX_FMT_YUV420P, 18, 51, "aac",     "AAC",  44100, 192000 },
    { "webm", "webm",     "libvpx-vp9", "VP9",   AV_PIX_FMT_YUV420P, 31, 63, "libopus", "Opus", 48000, 192000 },
    { "mkv",  "matroska", "ffv1",       "FFV1",  AV_PIX_FMT_BGR0,    -1, -1, "flac",    "FLAC", 44100, 0 },
};

// The encoders' speed settings. Drawing keeps two cores busy on its own, so H.264
// must cost little beside it: "veryfast" with whole-pixel motion search, a shorter
// look-ahead, whole macroblocks and a fixed pattern of B-frames takes 40 % of its
// time on the demo's pictures,
// with files no larger and PSNR within 1 dB of plain "veryfast" at the same --crf
// (measured against the lossless .mkv; the faster presets give files twice as big).
// VP9's "good" quality at speed 4 is its usual trade-off for files made once and
// watched often.
constexpr const char* X264_PRESET = "veryfast";
constexpr const char* X264_NARROWER_SEARCH = "subme=0:me=dia:rc-lookahead=5:partitions=none:b-adapt=0";
constexpr const char* VP9_SPEED = "4";

std::string AvError(int averror)
{
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(averror, text, sizeof text);
    return text;
}

bool IsLossless(const VideoFormat& format)
{
    return format.defaultCrf < 0;
}

} // namespace

const VideoFormat* FindVideoFormat(const std::string& path)
{
    std::string extension = std::filesystem::path(path).extension().string();
    if (extension.size() < 2)
        return nullptr;
    extension.erase(0, 1);
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    for (const VideoFormat& format : VIDEO_FORMATS) {
        if (extension == format.name)
            return &format;
    }
    return nullptr;
}

const char* VideoFormatName(const VideoFormat& format)
{
    return format.name;
}

bool VideoFormatHasQuality(const VideoFormat& format, int* defaultCrf, int* maxCrf)
{
    *defaultCrf = format.defaultCrf;
    *maxCrf = format.maxCrf;
    return !IsLossless(format);
}

bool VideoFormatNeedsEvenSize(const VideoFormat& format)
{
    return format.pixelFormat == AV_PIX_FMT_YUV420P;
}

std::string MissingEncoder(const VideoFormat& format)
{
    if (!avcodec_find_encoder_by_name(format.videoEncoder))
        return std::string("no ") + format.videoCodecName + " encoder (" + format.videoEncoder + ")";
    if (!avcodec_find_encoder_by_name(format.audioEncoder))
        return std::string("no ") + format.audioCodecName + " encoder (" + format.audioEncoder + ")";
    if (!av_guess_format(format.muxer, nullptr, nullptr))
        return std::string("no ") + format.name + " writer";
    return "";
}

namespace {

// Sends one frame (null: the end) and writes every packet the encoder has ready.
int Encode(AVFormatContext* container, AVCodecContext* encoder, AVStream* stream, AVFrame* frame,
           AVPacket* packet)
{
    int result = avcodec_send_frame(encoder, frame);
    if (result < 0)
        return result;
    for (;;) {
        result = avcodec_receive_packet(encoder, packet);
        if (result == AVERROR(EAGAIN) || result == AVERROR_EOF)
            return 0;
        if (result < 0)
            return result;
        av_packet_rescale_ts(packet, encoder->time_base, stream->time_base);
        packet->stream_index = stream->index;
        result = av_interleaved_write_frame(container, packet);
        if (result < 0)
            return result;
    }
}

// Black bars around the picture, in the frame's own pixel format.
void FillBlack(AVFrame* frame)
{
    if (frame->format == AV_PIX_FMT_YUV420P) {
        std::memset(frame->data[0], 16, static_cast<std::size_t>(frame->linesize[0]) * frame->height);
        const int chromaRows = (frame->height + 1) / 2;
        std::memset(frame->data[1], 128, static_cast<std::size_t>(frame->linesize[1]) * chromaRows);
        std::memset(frame->data[2], 128, static_cast<std::size_t>(frame->linesize[2]) * chromaRows);
    } else {
        std::memset(frame->data[0], 0, static_cast<std::size_t>(frame->linesize[0]) * frame->height);
    }
}

} // namespace

// ---- The libraries' state ------------------------------------------------------------

struct VideoFile::Streams {
    AVFormatContext* container = nullptr;
    AVCodecContext* video = nullptr;
    AVCodecContext* audio = nullptr;
    AVStream* videoStream = nullptr;
    AVStream* audioStream = nullptr;
    AVFrame* picture = nullptr;      // one video frame, reused
    AVFrame* sound = nullptr;        // one audio frame, reused
    AVPacket* packet = nullptr;
    SwsContext* converter = nullptr; // picture -> the video's pixel format
    SwrContext* resampler = nullptr; // 16-bit stereo -> the audio encoder's format and rate
    AVAudioFifo* soundQueue = nullptr;
    int soundFrameSize = 0;          // samples per audio frame the encoder takes
    int64_t picturesWritten = 0;
    int64_t soundWritten = 0;        // samples handed to the audio encoder

    // Converts count stereo frames (null: the resampler's remainder) into the queue.
    int QueueSound(const int16_t* samples, int count);
    // Hands the encoder every whole frame the queue holds, and with `last` the rest.
    int EncodeQueuedSound(bool last);

    ~Streams()
    {
        av_audio_fifo_free(soundQueue);
        swr_free(&resampler);
        sws_freeContext(converter);
        av_packet_free(&packet);
        av_frame_free(&sound);
        av_frame_free(&picture);
        avcodec_free_context(&audio);
        avcodec_free_context(&video);
        if (container) {
            if (container->pb)
                avio_closep(&container->pb);
            avformat_free_context(container);
        }
    }
};

VideoFile::VideoFile(std::string path, const VideoFormat& format, const VideoSettings& settings)
    : format_(format)
    , settings_(settings)
    , file_(std::move(path))
{
    // The libraries' own log lines would break the tool's one-line reports; their
    // failures come back as codes, which Error() puts into words.
    av_log_set_level(AV_LOG_QUIET);
}

VideoFile::~VideoFile()
{
    streams_.reset();   // closes the temporary before OutputFile removes it
}

bool VideoFile::Fail(const std::string& what, int averror)
{
    if (error_.empty()) {
        error_ = what + " " + file_.Path();
        if (averror != 0)
            error_ += ": " + AvError(averror);
    }
    streams_.reset();
    file_.Discard();
    return false;
}

namespace {

int OpenVideoEncoder(AVCodecContext* context, const VideoFormat& format, const VideoSettings& settings)
{
    const AVCodec* codec = avcodec_find_encoder_by_name(format.videoEncoder);
    context->width = settings.frameWidth;
    context->height = settings.frameHeight;
    context->time_base = AVRational{ 1, settings.fps };
    context->framerate = AVRational{ settings.fps, 1 };
    context->pix_fmt = format.pixelFormat;
    // Half the cores: the software renderer keeps the others busy drawing. Each
    // encoder thread also holds frames of its own.
    context->thread_count = static_cast<int>(std::max(1u, std::thread::hardware_concurrency() / 2));
    AVDictionary* options = nullptr;
    const int crf = settings.crf >= 0 ? settings.crf : format.defaultCrf;
    if (format.pixelFormat == AV_PIX_FMT_YUV420P) {
        // The demo's colours as HD video expects them: BT.709, studio range.
        context->color_range = AVCOL_RANGE_MPEG;
        context->colorspace = AVCOL_SPC_BT709;
        context->color_primaries = AVCOL_PRI_BT709;
        context->color_trc = AVCOL_TRC_BT709;
        av_dict_set_int(&options, "crf", crf, 0);
    } else {
        context->colorspace = AVCOL_SPC_RGB;
        context->color_range = AVCOL_RANGE_JPEG;
        context->gop_size = 1;
        av_dict_set(&options, "level", "3", 0);
        av_dict_set(&options, "slicecrc", "1", 0);
        av_dict_set(&options, "slices", "4", 0);
    }
    if (std::strcmp(format.videoEncoder, "libx264") == 0) {
        av_dict_set(&options, "preset", X264_PRESET, 0);
        av_dict_set(&options, "x264-params", X264_NARROWER_SEARCH, 0);
    } else if (std::strcmp(format.videoEncoder, "libvpx-vp9") == 0) {
        context->bit_rate = 0;   // constant quality alone
        av_dict_set(&options, "deadline", "good", 0);
        av_dict_set(&options, "cpu-used", VP9_SPEED, 0);
        av_dict_set(&options, "row-mt", "1", 0);
    }
    const int opened = avcodec_open2(context, codec, &options);
    av_dict_free(&options);
    return opened;
}

AVSampleFormat PreferredSampleFormat(const AVCodec* codec)
{
    if (!codec->sample_fmts)
        return AV_SAMPLE_FMT_S16;
    for (const AVSampleFormat* format = codec->sample_fmts; *format != AV_SAMPLE_FMT_NONE; ++format) {
        if (*format == AV_SAMPLE_FMT_S16)
            return *format;
    }
    return codec->sample_fmts[0];
}

int OpenAudioEncoder(AVCodecContext* context, const VideoFormat& format)
{
    const AVCodec* codec = avcodec_find_encoder_by_name(format.audioEncoder);
    context->sample_rate = format.soundRate;
    context->sample_fmt = PreferredSampleFormat(codec);
    const AVChannelLayout stereo = AV_CHANNEL_LAYOUT_STEREO;
    av_channel_layout_copy(&context->ch_layout, &stereo);
    context->time_base = AVRational{ 1, format.soundRate };
    context->bit_rate = format.audioBitRate;
    return avcodec_open2(context, codec, nullptr);
}

} // namespace

bool VideoFile::Open()
{
    if (!file_.Open()) {
        error_ = file_.Error();
        return false;
    }
    streams_ = std::make_unique<Streams>();
    Streams& s = *streams_;
    const std::string& temporary = file_.TemporaryPath();
    int result = avformat_alloc_output_context2(&s.container, nullptr, format_.muxer, temporary.c_str());
    if (result < 0)
        return Fail("cannot write", result);
    const bool globalHeader = (s.container->oformat->flags & AVFMT_GLOBALHEADER) != 0;

    s.video = avcodec_alloc_context3(avcodec_find_encoder_by_name(format_.videoEncoder));
    s.audio = avcodec_alloc_context3(avcodec_find_encoder_by_name(format_.audioEncoder));
    s.picture = av_frame_alloc();
    s.sound = av_frame_alloc();
    s.packet = av_packet_alloc();
    if (!s.video || !s.audio || !s.picture || !s.sound || !s.packet)
        return Fail("cannot write", AVERROR(ENOMEM));
    if (globalHeader) {
        s.video->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
        s.audio->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    }
    if ((result = OpenVideoEncoder(s.video, format_, settings_)) < 0)
        return Fail(std::string("cannot start the ") + format_.videoCodecName + " encoder for", result);
    if ((result = OpenAudioEncoder(s.audio, format_)) < 0)
        return Fail(std::string("cannot start the ") + format_.audioCodecName + " encoder for", result);

    s.videoStream = avformat_new_stream(s.container, nullptr);
    s.audioStream = avformat_new_stream(s.container, nullptr);
    if (!s.videoStream || !s.audioStream)
        return Fail("cannot write", AVERROR(ENOMEM));
    s.videoStream->time_base = s.video->time_base;
    s.videoStream->avg_frame_rate = s.video->framerate;
    s.audioStream->time_base = s.audio->time_base;
    if ((result = avcodec_parameters_from_context(s.videoStream->codecpar, s.video)) < 0 ||
        (result = avcodec_parameters_from_context(s.audioStream->codecpar, s.audio)) < 0)
        return Fail("cannot write", result);

    s.picture->format = s.video->pix_fmt;
    s.picture->width = s.video->width;
    s.picture->height = s.video->height;
    if ((result = av_frame_get_buffer(s.picture, 0)) < 0)
        return Fail("cannot write", result);
    if (format_.pixelFormat == AV_PIX_FMT_YUV420P) {
        s.converter = sws_getContext(settings_.pictureWidth, settings_.pictureHeight, AV_PIX_FMT_RGB0,
                                     settings_.pictureWidth, settings_.pictureHeight, AV_PIX_FMT_YUV420P,
                                     SWS_BILINEAR, nullptr, nullptr, nullptr);
        if (!s.converter)
            return Fail("cannot convert the pictures for", AVERROR(EINVAL));
        const int* bt709 = sws_getCoefficients(SWS_CS_ITU709);
        sws_setColorspaceDetails(s.converter, bt709, 1, bt709, 0, 0, 1 << 16, 1 << 16);
    }

    const bool variableFrames = (s.audio->codec->capabilities & AV_CODEC_CAP_VARIABLE_FRAME_SIZE) != 0;
    s.soundFrameSize = s.audio->frame_size > 0 && !variableFrames ? s.audio->frame_size : 4096;
    AVChannelLayout stereo = AV_CHANNEL_LAYOUT_STEREO;   // not const: the 5.1 signature
    result = swr_alloc_set_opts2(&s.resampler, &s.audio->ch_layout, s.audio->sample_fmt, s.audio->sample_rate,
                                 &stereo, AV_SAMPLE_FMT_S16, settings_.soundRate, 0, nullptr);
    if (result < 0 || (result = swr_init(s.resampler)) < 0)
        return Fail("cannot convert the sound for", result);
    s.soundQueue = av_audio_fifo_alloc(s.audio->sample_fmt, 2, s.soundFrameSize * 2);
    if (!s.soundQueue)
        return Fail("cannot write", AVERROR(ENOMEM));

    if ((result = avio_open(&s.container->pb, temporary.c_str(), AVIO_FLAG_WRITE)) < 0)
        return Fail("cannot write", result);
    AVDictionary* options = nullptr;
    if (std::strcmp(format_.muxer, "mp4") == 0)
        av_dict_set(&options, "movflags", "+faststart", 0);   // plays while it downloads
    result = avformat_write_header(s.container, &options);
    av_dict_free(&options);
    if (result < 0)
        return Fail("cannot write", result);
    return true;
}


int VideoFile::Streams::QueueSound(const int16_t* samples, int count)
{
    const int room = swr_get_out_samples(resampler, count);
    if (room <= 0)
        return room;
    uint8_t** converted = nullptr;
    int result = av_samples_alloc_array_and_samples(&converted, nullptr, 2, room, audio->sample_fmt, 0);
    if (result < 0)
        return result;
    const uint8_t* input[1] = { reinterpret_cast<const uint8_t*>(samples) };
    const int made = swr_convert(resampler, converted, room, samples ? input : nullptr, count);
    result = made;
    if (made > 0)
        result = av_audio_fifo_write(soundQueue, reinterpret_cast<void**>(converted), made);
    av_freep(&converted[0]);
    av_freep(&converted);
    return result;
}

int VideoFile::Streams::EncodeQueuedSound(bool last)
{
    while (av_audio_fifo_size(soundQueue) >= soundFrameSize || (last && av_audio_fifo_size(soundQueue) > 0)) {
        const int samples = std::min(soundFrameSize, av_audio_fifo_size(soundQueue));
        av_frame_unref(sound);
        sound->nb_samples = samples;
        sound->format = audio->sample_fmt;
        sound->sample_rate = audio->sample_rate;
        int result = av_channel_layout_copy(&sound->ch_layout, &audio->ch_layout);
        if (result < 0 || (result = av_frame_get_buffer(sound, 0)) < 0)
            return result;
        if (av_audio_fifo_read(soundQueue, reinterpret_cast<void**>(sound->data), samples) < samples)
            return AVERROR_BUG;
        sound->pts = soundWritten;
        soundWritten += samples;
        if ((result = Encode(container, audio, audioStream, sound, packet)) < 0)
            return result;
    }
    return 0;
}

bool VideoFile::WritePicture(const uint8_t* rgbx)
{
    if (!streams_)
        return false;
    Streams& s = *streams_;
    int result = av_frame_make_writable(s.picture);
    if (result < 0)
        return Fail("cannot write", result);
    const int width = settings_.pictureWidth, height = settings_.pictureHeight;
    // Even offsets, so that the 4:2:0 chroma planes line up with the picture.
    const int left = (settings_.frameWidth - width) / 2 & ~1;
    const int top = (settings_.frameHeight - height) / 2 & ~1;
    if (width != settings_.frameWidth || height != settings_.frameHeight)
        FillBlack(s.picture);
    const int sourceStride = width * 4;
    // GL's rows run bottom to top: start at the last row and step backwards.
    const uint8_t* lastRow = rgbx + static_cast<std::size_t>(height - 1) * sourceStride;
    if (s.converter) {
        uint8_t* planes[3];
        for (int p = 0; p < 3; ++p) {
            const int shift = p == 0 ? 0 : 1;
            planes[p] = s.picture->data[p] + static_cast<std::ptrdiff_t>(top >> shift) * s.picture->linesize[p] +
                        (left >> shift);
        }
        const uint8_t* sources[1] = { lastRow };
        const int sourceStrides[1] = { -sourceStride };
        sws_scale(s.converter, sources, sourceStrides, 0, height, planes, s.picture->linesize);
    } else {
        // FFV1 takes the bytes in the order B, G, R: each pixel is turned round.
        for (int y = 0; y < height; ++y) {
            uint8_t* to = s.picture->data[0] + static_cast<std::ptrdiff_t>(top + y) * s.picture->linesize[0] + left * 4;
            const uint8_t* from = lastRow - static_cast<std::ptrdiff_t>(y) * sourceStride;
            for (int x = 0; x < width; ++x, from += 4, to += 4) {
                to[0] = from[2];
                to[1] = from[1];
                to[2] = from[0];
                to[3] = 0;
            }
        }
    }
    s.picture->pts = s.picturesWritten++;
    result = Encode(s.container, s.video, s.videoStream, s.picture, s.packet);
    if (result < 0)
        return Fail("cannot write", result);
    return true;
}

bool VideoFile::WriteSound(const int16_t* samples, int64_t frames)
{
    if (!streams_)
        return false;
    constexpr int64_t CHUNK = 4096;
    while (frames > 0) {
        const int count = static_cast<int>(std::min(frames, CHUNK));
        int result = streams_->QueueSound(samples, count);
        if (result >= 0)
            result = streams_->EncodeQueuedSound(false);
        if (result < 0)
            return Fail("cannot write", result);
        samples += 2 * count;
        frames -= count;
    }
    return true;
}

bool VideoFile::Finish()
{
    if (!streams_)
        return false;
    Streams& s = *streams_;
    int result = s.QueueSound(nullptr, 0);   // what the resampler still holds
    if (result < 0 || (result = s.EncodeQueuedSound(true)) < 0 ||
        (result = Encode(s.container, s.audio, s.audioStream, nullptr, s.packet)) < 0 ||
        (result = Encode(s.container, s.video, s.videoStream, nullptr, s.packet)) < 0 ||
        (result = av_write_trailer(s.container)) < 0 || (result = avio_closep(&s.container->pb)) < 0)
        return Fail("cannot write", result);
    streams_.reset();
    if (!file_.Commit()) {
        error_ = file_.Error();
        return false;
    }
    return true;
}
