// The browser backend's calls into JavaScript (an emscripten library, linked with
// --js-library). The page hands the module an object `page` with what belongs to
// the page: the start-up answer, the running AudioContext with the ring player's
// module loaded, and the functions that show the canvas, messages and the end.
mergeInto(LibraryManager.library, {
    WebAskYesNo: function(text, caption) {
        return window.confirm(UTF8ToString(caption) + '\n\n' + UTF8ToString(text)) ? 1 : 0;
    },

    WebShowMessage: function(text, caption, icon) {
        Module['page'].showMessage(UTF8ToString(text), UTF8ToString(caption), icon);
    },

    WebFullscreenRequested: function() {
        return Module['page'].fullscreenRequested ? 1 : 0;
    },

    WebLeaveFullscreen: function() {
        Module['page'].leaveFullscreen();
    },

    WebShowCanvas: function() {
        Module['page'].showCanvas();
    },

    WebShowCursor: function(show) {
        Module['page'].showCursor(show !== 0);
    },

    // The end of the run: the sound and the output thread stop, as they would with
    // the process.
    WebEnded__deps: ['$PThread', '$JSEvents', 'WebAudioClose'],
    WebEnded: function(code) {
        _WebAudioClose();
        PThread.terminateAllThreads();
        JSEvents.removeAllEventListeners();
        Module['page'].ended(code);
    },

    // The ring player: an AudioWorkletNode on the page's AudioContext, holding the
    // module's memory. The page makes it inside the start-up click and starts the
    // demo once Module.makeAudioPlayer(context) has resolved, when the processor has
    // the memory and the device has asked it for a tenth of a second: the music then
    // starts on the quantum after PlatformAudioStart, as the picture starts, rather
    // than whenever the browser has made the processor and started the device
    // (which can take a second or more).
    $WebAudioPlayer__postset: "Module['makeAudioPlayer'] = WebAudioPlayer.make;",
    $WebAudioPlayer: {
        node: null,
        context: null,
        make: function(context) {
            var node = new AudioWorkletNode(context, 'quorvantile-ring',
                                            { numberOfInputs: 0, outputChannelCount: [2] });
            var ready = new Promise(function(resolve) { node.port.onmessage = resolve; });
            node.port.postMessage({ memory: HEAPU8.buffer, shared: _WebAudioShared() });
            node.connect(context.destination);
            WebAudioPlayer.node = node;
            WebAudioPlayer.context = context;
            return ready;
        },
    },

    // The player as the audio device; it must run at the ring's rate. 0 when it
    // plays; else 1 no player or no running context, 2 another rate.
    WebAudioOpen__deps: ['$WebAudioPlayer'],
    WebAudioOpen: function(rate) {
        var context = WebAudioPlayer.context;
        if (!WebAudioPlayer.node || context.state !== 'running')
            return 1;
        if (context.sampleRate !== rate)
            return 2;
        // What the player has done, for the page's checks: frames played, the
        // position at the output thread's last poll, the loudest sample, and the
        // most milliseconds played between two polls (the ring absorbs up to two
        // seconds).
        var w = _WebAudioShared() >> 2;
        Module['audioStats'] = function() {
            return {
                framesPlayed: Atomics.load(HEAPU32, w + 6),
                framesAtPoll: Atomics.load(HEAPU32, w + 3) / 4,
                peak: Atomics.load(HEAPU32, w + 7),
                largestLagMs: Atomics.load(HEAPU32, w + 8) / (4 * rate) * 1000,
            };
        };
        return 0;
    },

    WebAudioClose__deps: ['$WebAudioPlayer'],
    WebAudioClose: function() {
        var node = WebAudioPlayer.node;
        if (!node)
            return;
        node.disconnect();
        node.port.close();
        WebAudioPlayer.node = null;
    },
});
