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

    // A ring player on the page's AudioContext, which must run at the ring's rate.
    // 0 when it plays; else 1 no running context, 2 another rate, 3 no worklet.
    WebAudioOpen: function(rate, shared) {
        var context = Module['page'].audioContext;
        if (!context || context.state !== 'running')
            return 1;
        if (context.sampleRate !== rate)
            return 2;
        var node;
        try {
            node = new AudioWorkletNode(context, 'quorvantile-ring',
                                        { numberOfInputs: 0, outputChannelCount: [2] });
        } catch (e) {
            err('quorvantile: no audio worklet: ' + e);
            return 3;
        }
        node.port.postMessage({ memory: HEAPU8.buffer, shared: shared });
        node.connect(context.destination);
        Module['audioNode'] = node;
        // What the player has done, for the page's checks: frames played, the
        // position at the output thread's last poll, the loudest sample, and the
        // most milliseconds played between two polls (the ring absorbs up to two
        // seconds).
        Module['audioStats'] = function() {
            var w = shared >> 2;
            return {
                framesPlayed: Atomics.load(HEAPU32, w + 6),
                framesAtPoll: Atomics.load(HEAPU32, w + 3) / 4,
                peak: Atomics.load(HEAPU32, w + 7),
                largestLagMs: Atomics.load(HEAPU32, w + 8) / (4 * rate) * 1000,
            };
        };
        return 0;
    },

    WebAudioClose: function() {
        var node = Module['audioNode'];
        if (!node)
            return;
        node.disconnect();
        node.port.close();
        Module['audioNode'] = null;
    },
});
